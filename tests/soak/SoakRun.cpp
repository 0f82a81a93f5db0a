#include "SoakRun.h"

#include "FaultInjector.h"
#include "LineTraceCheck.h"
#include "RunningConfigurator.h"
#include "SimControl.h"
#include "UserActions.h"
#include "config.h"

#include <QPushButton>

#include <algorithm>
#include <cstdio>

namespace {

const QString exchangesRun = QStringLiteral("exchanges run by kind");
const QString faultsInjected = QStringLiteral("faults injected by kind");
const QString boxesShown = QStringLiteral("boxes shown by kind");
const QString boxAnswers = QStringLiteral("box answers");
const QString writeOutcomes = QStringLiteral("write messages by what the detector stored");
const QString userActions = QStringLiteral("user actions");
const QString violationsByRule = QStringLiteral("violations by invariant");

const QString successText = QStringLiteral("Конфигурация записана успешно");
const QString writeErrorText = QStringLiteral("Ошибка при записи конфигурации");
const QString retryText = QStringLiteral("Ошибка чтения конфигурации \n Повторить?");
const QString watchHandshake = QStringLiteral("handshake (start-up or connection watch)");

// Line time of frames: 4 ms a bit, an extra clock period between the bytes the PC sends and
// 4 ms after its frame; the detector's bytes, 160 ms apart when there are several.
constexpr qint64 bitMs = 4;
constexpr qint64 sent(qint64 bytes)
{
    return bytes * 8 * bitMs + (bytes - 1) * bitMs + 2 * bitMs;
}
constexpr qint64 received(qint64 bytes)
{
    return bytes * 8 * bitMs + (bytes > 1 ? bytes * 160 : 0);
}
constexpr qint64 handshakeMs = sent(1) + received(1);
constexpr qint64 readMs = sent(1) + received(6);
// An exchange may take twice its line time and a second more on a loaded machine; one that
// takes a minute has hung.
constexpr qint64 slackFactor = 2;
constexpr qint64 slackMs = 1000;
constexpr qint64 hangMs = 60000;

} // namespace

SoakRun::SoakRun(int seconds, unsigned seed)
    : seconds(seconds)
    , random(seed)
{
    std::printf("soak: %d s, seed %u\n", seconds, seed);
    answerer
        = std::make_unique<ChoosingBoxAnswerer>([this](QMessageBox *box) { return boxShown(box); });
    configurator = std::make_unique<RunningConfigurator>();
    trace = std::make_unique<LineTraceCheck>();
    actions = std::make_unique<UserActions>(*configurator, random);
    faults = std::make_unique<FaultInjector>(
        random, [this](const QString &kind) { tally.add(faultsInjected, kind); });
    // A technician's session: the service form is open beside the main window.
    configurator->link()->setVisible(true);
    connect(configurator->link(), &config::signal_getConfig, this, &SoakRun::replyReceived);

    sampler.setTimerType(Qt::PreciseTimer);
    connect(&sampler, &QTimer::timeout, this, &SoakRun::sample);
    actionTimer.setSingleShot(true);
    connect(&actionTimer, &QTimer::timeout, this, &SoakRun::userAction);
}

SoakRun::~SoakRun() = default;

long long SoakRun::run()
{
    clock.start();
    sampler.start(1);
    actionTimer.start(600);
    faults->start();
    RunningConfigurator::runUntil(
        [this] { return hung || clock.elapsed() >= seconds * 1000; }, seconds * 1000 + 1000);
    actionTimer.stop();
    faults->stop();
    if (!settle(20000))
        violation(QStringLiteral("nothing hangs: the soak's last exchange ends"));
    sampler.stop();
    violations(trace->consume());

    tally.print({exchangesRun, faultsInjected, boxesShown, boxAnswers, writeOutcomes, userActions,
        violationsByRule});
    std::printf("replies checked against the controls: %lld\n", repliesChecked);
    std::printf("line calls checked: %lld\n", trace->callsRead());
    const long long broken = tally.total(violationsByRule);
    std::printf("soak: %lld violations in %lld exchanges\n", broken, tally.total(exchangesRun));
    configurator.reset();
    return broken;
}

// Once the soak has stopped acting and injecting: the exchange under way ends.
bool SoakRun::settle(int timeout)
{
    return RunningConfigurator::runUntil(
        [this] {
            return !configurator->link()->exchangeRunning() && answerer->openBoxes() == 0
                && !current;
        },
        timeout);
}

void SoakRun::sample()
{
    const qint64 now = clock.elapsed();
    const qint64 step = now - lastSample;
    lastSample = now;
    violations(trace->consume());
    watchExchange(now, step);
    if (answerer->openBoxes() == 0 && ++samples % 10 == 0)
        violations(WindowInvariants::broken(configurator->probe()));
}

void SoakRun::watchExchange(qint64 now, qint64 step)
{
    config *link = configurator->link();
    const bool busy = link->exchangeRunning();
    if (busy && !current)
        startExchange(watchHandshake, now);
    if (current && answerer->openBoxes() > 0)
        current->inBoxes += step;
    if (current) {
        const qint64 lineTime = now - current->started - current->inBoxes;
        if (lineTime > current->budget && !current->overran) {
            current->overran = true;
            violation(QStringLiteral("nothing hangs: an exchange ends within its frame time "
                                     "and a margin"));
        }
        hung = hung || lineTime > hangMs;
    }
    if (current && !busy) {
        tally.add(exchangesRun, current->kind);
        current.reset();
        startedUp = true;
    }
    // Once an exchange has ended, the command buttons are usable whenever none runs.
    const MainWindowForm &f = configurator->form();
    const bool idle = startedUp && !busy && answerer->openBoxes() == 0;
    const bool missing = idle && !(f.get->isEnabled() && f.save->isEnabled());
    if (missing && !buttonsMissing)
        violation(QStringLiteral("nothing hangs: the command buttons come back"));
    buttonsMissing = missing;
}

void SoakRun::startExchange(const QString &kind, qint64 now)
{
    const qint64 line = nominal(kind, configurator->link()->readAfterHandshake);
    current = Exchange {kind, now, slackFactor * line + slackMs};
}

qint64 SoakRun::nominal(const QString &kind, bool readAfterHandshake)
{
    if (kind == QStringLiteral("Считать"))
        return handshakeMs + readMs;
    if (kind == QStringLiteral("Сохранить"))
        return sent(6) + sent(1) + readMs;
    if (kind == QLatin1String("service: set date"))
        return sent(4);
    if (kind == QLatin1String("service: read date"))
        return sent(1) + received(7);
    if (kind == QLatin1String("service: send"))
        return sent(3) + received(6);
    if (kind == QLatin1String("service: read"))
        return bitMs + received(6);
    return handshakeMs + (readAfterHandshake ? readMs : 0);
}

void SoakRun::userAction()
{
    actionTimer.start(std::uniform_int_distribution<int>(20, 400)(random));
    // A modal box takes every input until it is answered.
    if (answerer->openBoxes() > 0)
        return;
    // An exchange that has ended since the last sample is counted before the next can start.
    watchExchange(clock.elapsed(), 0);
    config *link = configurator->link();
    const bool wasBusy = link->exchangeRunning();
    const DetectorSettings before = configurator->probe().settings();
    const QString name = actions->act();
    tally.add(userActions, name);
    if (wasBusy || !link->exchangeRunning())
        return;
    startExchange(name, clock.elapsed());
    if (name == QStringLiteral("Сохранить"))
        written = before.wireBytes();
}

void SoakRun::replyReceived(char in[6])
{
    std::copy(in, in + 6, lastReply.begin());
    ++repliesChecked;
    if (lastReply[0] != 0x53)
        violation(QStringLiteral("only a reply with its marker reaches the controls"));
    violations(WindowInvariants::notShowing(configurator->probe(), lastReply));
}

ChoosingBoxAnswerer::Answer SoakRun::boxShown(QMessageBox *box)
{
    const QString text = box->text();
    tally.add(boxesShown,
        text == retryText ? QStringLiteral("Ошибка чтения конфигурации / Повторить?") : text);
    if (text == successText || text == writeErrorText)
        checkWriteMessage(text == successText);
    else if (text != retryText)
        violation(QStringLiteral("only the link's three message boxes appear"));

    QList<QMessageBox::StandardButton> choices = {QMessageBox::NoButton};
    for (QMessageBox::StandardButton button : {QMessageBox::Yes, QMessageBox::No, QMessageBox::Ok})
        if (box->button(button))
            choices << button;
    const auto chosen
        = choices[std::uniform_int_distribution<int>(0, int(choices.size()) - 1)(random)];
    const QMap<QMessageBox::StandardButton, QString> names = {{QMessageBox::NoButton, "closed"},
        {QMessageBox::Yes, "Yes"}, {QMessageBox::No, "No"}, {QMessageBox::Ok, "OK"}};
    tally.add(boxAnswers, names.value(chosen));
    if (chosen == QMessageBox::Yes && text == retryText && current)
        current->budget += slackFactor * readMs;
    return {chosen, std::uniform_int_distribution<int>(0, 400)(random)};
}

// The box comes right after the read-back reached the window, so lastReply is that read-back.
void SoakRun::checkWriteMessage(bool success)
{
    if (!written) {
        violation(QStringLiteral("a write message answers a write"));
        return;
    }
    unsigned char stored[5];
    sim_get_config(stored);
    const bool storedAsWritten = std::equal(written->begin(), written->end(), stored);
    const bool readBackAsWritten
        = std::equal(written->begin(), written->end(), lastReply.begin() + 1);
    const bool readBackAsStored = std::equal(stored, stored + 5, lastReply.begin() + 1);
    if (success && !readBackAsWritten)
        violation(QStringLiteral("\"успешно\" only when the read-back matches the written bytes"));
    if (!success && readBackAsWritten)
        violation(QStringLiteral("\"Ошибка при записи\" only when the read-back differs"));
    if (success && storedAsWritten)
        tally.add(writeOutcomes, QStringLiteral("успешно: stored as written"));
    else if (success && !readBackAsStored)
        tally.add(writeOutcomes,
            QStringLiteral("успешно: stored otherwise, read back wrong by coinciding faults "
                           "(the line has no checksum)"));
    else if (!success && storedAsWritten)
        tally.add(writeOutcomes, QStringLiteral("ошибка: stored as written, read back wrong"));
    else if (!success)
        tally.add(writeOutcomes, QStringLiteral("ошибка: stored otherwise"));
    written.reset();
}

void SoakRun::violation(const QString &rule)
{
    if (tally.total(violationsByRule) < 20)
        std::printf("violation at %lld ms: %s\n", static_cast<long long>(clock.elapsed()),
            qPrintable(rule));
    tally.add(violationsByRule, rule);
}

void SoakRun::violations(const QStringList &rules)
{
    for (const QString &rule : rules)
        violation(rule);
}
