// The link object's construction and its adapter to the MCP2200 bridge.
#include "config.h"

#include "BridgeLibrary.h"
#include "ConfigForm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QStringList>
#include <QTextEdit>
#include <QTimer>

#include <algorithm>

namespace {

constexpr unsigned int vendorId = 0x04D8;
constexpr unsigned int productId = 0x00DF;
constexpr int defaultMask = 240;
constexpr unsigned long bridgeBaudRate = 6000000;
constexpr unsigned int clockPin = 2;
constexpr unsigned int dataOutPin = 3;
constexpr unsigned int dataInPin = 4;
constexpr int watchInterval = 10000;
constexpr int firstHandshakeDelay = 500;

// A mask is typed as binary digits with an optional sign and surrounding blanks. Only such a
// text reaches Qt's conversion: in base 2 Qt 6 would also take a "0b" prefix, and it reads a
// text only up to a NUL character, so "1000<NUL>0100" would give 8.
int parseMask(const QString &text, bool *ok)
{
    const QString digits = text.trimmed();
    const int start = digits.startsWith('+') || digits.startsWith('-') ? 1 : 0;
    const bool binary = digits.size() > start
        && std::all_of(
            digits.begin() + start, digits.end(), [](QChar c) { return c == '0' || c == '1'; });
    if (!binary) {
        *ok = false;
        return 0;
    }
    return digits.toInt(ok, 2);
}

} // namespace

config::config(DetectorSettings *settings, QWidget *parent)
    : QWidget(parent)
    , form(new ConfigForm)
    , settings(settings)
    , bridge(std::make_unique<BridgeLibrary>())
{
    form->setupForm(this);
    createTimers();
    bringUp();
    connectForm();
    readAfterHandshake = true;
    form->hand->hide();
    firstHandshakeTimer->start();
    watchTimer->start(watchInterval);
    setDefault(true);
    set();
    setIdlePins();
    form->setCheck->setChecked(true);
    setDefault(true);
    connect(form->btn_dt, &QPushButton::clicked, this, &config::sendParamA1);
    connect(form->getDT, &QPushButton::clicked, this, &config::sendParamA2);
}

config::~config()
{
    delete form;
}

QTimer *config::createEngineTimer(void (config::*engine)(), const char *name)
{
    auto *timer = new QTimer(this);
    timer->setObjectName(name);
    timer->setTimerType(Qt::PreciseTimer);
    timer->setInterval(tickInterval);
    connect(timer, &QTimer::timeout, this, engine);
    return timer;
}

void config::createTimers()
{
    timerAA = createEngineTimer(&config::sendParam_timerAA, "timerAA");
    timerHandshake = createEngineTimer(&config::readHandshake, "timerHandshake");
    timerA3 = createEngineTimer(&config::sendParam_timerA3, "timerA3");
    timerConfig = createEngineTimer(&config::readParam_timer, "timerConfig");
    timerA9 = createEngineTimer(&config::sendParam_timerA9, "timerA9");
    timerA1 = createEngineTimer(&config::sendParam_timerA1, "timerA1");
    timerA2 = createEngineTimer(&config::sendParam_timerA2, "timerA2");
    timerDate = createEngineTimer(&config::readParam_timerA2r, "timerDate");
    timerA6 = createEngineTimer(&config::sendParam_timerA6, "timerA6");
    timerGeneric = createEngineTimer(&config::sendParam_timer, "timerGeneric");
    watchTimer = new QTimer(this);
    watchTimer->setObjectName("watchTimer");
    // A coarse timer may fire half a second off at this interval.
    watchTimer->setTimerType(Qt::PreciseTimer);
    watchTimer->setInterval(watchInterval);
    // A timer of the link's own, not QTimer::singleShot(): that one's timer object outlives a
    // link destroyed before it fires until the event loop deletes it, and under Wine a precise
    // timer killed only as the program exits ends Wine's multimedia-timer thread in the middle
    // of the process's exit, which Wine 8 can crash on.
    firstHandshakeTimer = new QTimer(this);
    firstHandshakeTimer->setObjectName("firstHandshakeTimer");
    firstHandshakeTimer->setSingleShot(true);
    firstHandshakeTimer->setTimerType(Qt::PreciseTimer);
    firstHandshakeTimer->setInterval(firstHandshakeDelay);
    connect(firstHandshakeTimer, &QTimer::timeout, this, &config::sendParamAA);
}

void config::bringUp()
{
    // Each link, as it comes up, on the thread its engines run on (TickWait.h says what each
    // system does); a second link repeats it harmlessly.
    TickWait::preparePrecisePacing();
    bridge->load();
    logLoadResult();
    if (bridge->initMCP2200(vendorId, productId))
        log(">> The MCP2200 was successfully initialized.\n\n");
    log(bridge->isConnected() ? ">> The device is CONNECTED\n\n"
                              : ">> The device is DISCONNECTED\n\n");
    logBridgeReason();
}

// A reason is logged when it appears or changes, not again on every handshake it spoils. Its
// clearing logs nothing, so the same reason coming back later is logged once more.
void config::logBridgeReason()
{
    const QString reason = QString::fromStdString(bridge->lastErrorText());
    if (reason == bridgeReason)
        return;
    bridgeReason = reason;
    if (!reason.isEmpty())
        log(">> " + reason + "\n\n");
}

void config::logLoadResult()
{
    switch (bridge->loadResult()) {
    case BridgeLibrary::LoadResult::Loaded:
        log(">> DLL has been loaded\n\n");
        break;
    case BridgeLibrary::LoadResult::NotFound:
        log(">> There was an error finding the specified DLL.\n\n");
        break;
    default:
        log(">> Loading of the DLL failed\n\n");
        break;
    }
    QStringList missing;
    for (const std::string &name : bridge->missingEntryPoints())
        missing << QString::fromStdString(name);
    if (!missing.isEmpty())
        log(">> Entry points not found: " + missing.join(", ") + "\n\n");
}

void config::connectForm()
{
    connect(form->set, &QPushButton::clicked, this, &config::set);
    connect(form->setCheck, &QCheckBox::clicked, this, &config::setDefault);
    connect(form->set_B, &QPushButton::clicked, this, &config::setBaud);
    connect(form->send, &QPushButton::clicked, this, &config::sendParam);
    connect(form->read, &QPushButton::clicked, this, &config::readParam);
    connect(form->pushButton_3, &QPushButton::clicked, this, &config::clr);
    connect(form->hand, &QCheckBox::clicked, this, &config::sendHand);
    connect(watchTimer, &QTimer::timeout, this, &config::sendParamAA);
    connect(this, &config::setButton, this, &config::connection_timer);
}

void config::log(const QString &line)
{
    form->textEdit->append(line);
}

void config::setDefault(bool checked)
{
    if (checked) {
        form->setLine->setText(QString::number(defaultMask, 2));
        form->setLine->setEnabled(false);
    } else {
        form->setLine->setEnabled(true);
    }
}

void config::set()
{
    if (lineInUse())
        return;
    ioMask = 0;
    bool ok = false;
    const int typed = parseMask(form->setLine->text(), &ok);
    if (!ok) {
        form->setLine->setText("ERROR!");
        return;
    }
    ioMask = int(qMin(unsigned(typed), 255u));
    const QString bits = QString::number(ioMask, 2);
    form->setLine->setText(bits);
    const auto mask = static_cast<unsigned char>(ioMask);
    if (bridge->configureMCP2200(mask, bridgeBaudRate, 0, 0, false, false, false))
        log(">> success configure MCP\n");
    else
        log(">> Invalid command MCP2200\n\n");
    if (bridge->configureIO(mask))
        log(">> success configure IO" + bits + "\n\n");
    else
        log(">> Invalid command IO\n\n");
    setIdlePins();
}

void config::setBaud()
{
    if (lineInUse())
        return;
    const int rate = form->comboBox->currentText().toInt(nullptr, 10);
    if (bridge->setBaudRate(rate))
        log(">> Baud rate set" + QString::number(rate, 10) + "\n\n");
    else
        log(">> Error setting baud rate\n\n");
}

void config::setIdlePins()
{
    if (!bridge->setPin(clockPin)) {
        log(">> ERROR setting PINS\n\n");
        return;
    }
    log(bridge->setPin(dataOutPin) ? ">> success setting PINS\n\n" : ">> ERROR setting PINS\n\n");
}

void config::clockHigh()
{
    bridge->setPin(clockPin);
}

void config::clockLow()
{
    bridge->clearPin(clockPin);
}

void config::dataOut(bool bit)
{
    if (bit)
        bridge->setPin(dataOutPin);
    else
        bridge->clearPin(dataOutPin);
}

bool config::sampleDataIn()
{
    unsigned int value = 0;
    bridge->readPin(dataInPin, &value);
    return value != 0;
}
