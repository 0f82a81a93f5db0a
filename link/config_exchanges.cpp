// The command exchanges with the detector, the evaluation of its replies and the connection
// watch. One exchange runs at a time: the engines share the transfer state.
#include "config.h"

#include "ConfigForm.h"
#include "DetectorConfig.h"

#include <QCheckBox>
#include <QDate>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QTextEdit>
#include <QTimer>

#include <algorithm>

namespace {

constexpr std::uint8_t handshakeReply = 0x55;
constexpr int watchInterval = 10000;
constexpr int progressEnd = 33;

} // namespace

// A start while an exchange runs would corrupt the shared transfer state, so it is refused.
bool config::beginExchange()
{
    if (busy) {
        log(">> Busy: command ignored\n\n");
        return false;
    }
    busy = true;
    pacer.exchangeStarted();
    return true;
}

// Reconfiguring the bridge moves the lines, which would garble a frame in progress.
bool config::lineInUse()
{
    if (!busy)
        return false;
    log(">> Busy: command ignored\n\n");
    return true;
}

void config::endExchange()
{
    busy = false;
    pacer.exchangeEnded();
    emit setButton(true);
}

void config::startCommand(Command command)
{
    resetFrame();
    emit setButton(false);
    startEngine(senderTimer(command));
}

void config::sendParamAA()
{
    if (beginExchange())
        startCommand(Command::AA);
}

void config::sendParamA3()
{
    if (beginExchange())
        startCommand(Command::A3);
}

// The frame is sent from a copy taken now, so that settings changed during the frame neither
// mix two values on the wire nor spoil the read-back check.
void config::sendParamA6()
{
    if (!settings) {
        log(">> No settings to write: command ignored\n\n");
        return;
    }
    if (!beginExchange())
        return;
    writeSnapshot = settings->wireBytes();
    startCommand(Command::A6);
}

// The date is taken once, so a frame sent across midnight still carries one date.
void config::sendParamA1()
{
    if (!beginExchange())
        return;
    const QDate today = QDate::currentDate();
    dateSnapshot = {
        std::uint8_t(today.year() % 100), std::uint8_t(today.month()), std::uint8_t(today.day())};
    startCommand(Command::A1);
}

void config::sendParamA2()
{
    if (beginExchange())
        startCommand(Command::A2);
}

void config::sendParam()
{
    if (!beginExchange())
        return;
    resetFrame();
    setTransferEnabled(false);
    startEngine(timerGeneric);
}

void config::readParam()
{
    if (beginExchange())
        startGenericRead();
}

void config::sendHand()
{
    if (form->hand->isChecked()) {
        sendParamAA();
        return;
    }
    // Stopping a running handshake sender would leave its exchange without an end.
    if (busy) {
        log(">> Busy: command ignored\n\n");
        return;
    }
    timerAA->stop();
}

void config::connection_timer(bool on)
{
    if (on)
        watchTimer->start(watchInterval);
    else
        watchTimer->stop();
}

// A reason that still holds would otherwise never show again in the emptied log.
void config::clr()
{
    form->textEdit->clear();
    form->sendText->clear();
    bridgeReason.clear();
}

void config::handshakeResult()
{
    logBridgeReason();
    if (rxBuffer[0] != handshakeReply) {
        endExchange();
        emit signal_disconnect();
        return;
    }
    emit signal_handshake_ok();
    if (!readAfterHandshake) {
        endExchange();
        return;
    }
    startCommand(Command::A3);
    emit setButton(false);
    readAfterHandshake = false;
}

void config::evaluateReply()
{
    if (rxBuffer[0] == DetectorConfig::replyMarker)
        acceptReply();
    else
        askRetry();
}

void config::acceptReply()
{
    form->textEdit->insertPlainText("Config get OK\n");
    std::copy(rxBuffer.begin(), rxBuffer.begin() + 6, receivedConfig);
    emit signal_getConfig(receivedConfig);
    if (verifyPending && !reportVerification())
        return;
    verifyPending = false;
    endExchange();
    emit action(0, 0, progressEnd);
}

// The box runs its own event loop, in which the link may be deleted: false then.
bool config::reportVerification()
{
    const QPointer<config> alive(this);
    const QString title = QStringLiteral("Конфигурация");
    if (std::equal(writtenCopy.begin(), writtenCopy.end(), rxBuffer.begin() + 1))
        QMessageBox::information(
            nullptr, title, QStringLiteral("Конфигурация записана успешно"), QMessageBox::Ok);
    else
        QMessageBox::warning(
            nullptr, title, QStringLiteral("Ошибка при записи конфигурации"), QMessageBox::Ok);
    return !alive.isNull();
}

void config::askRetry()
{
    form->textEdit->insertPlainText("Error config get\n");
    const QPointer<config> alive(this);
    const QMessageBox::StandardButton answer = QMessageBox::warning(nullptr,
        QStringLiteral("Конфигурация"), QStringLiteral("Ошибка чтения конфигурации \n Повторить?"),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::NoButton);
    if (!alive)
        return;
    if (answer == QMessageBox::Yes) {
        startCommand(Command::A3);
        return;
    }
    endExchange();
    emit action(0, 0, progressEnd);
}

void config::finishWrite()
{
    writtenCopy = writeSnapshot;
    verifyPending = true;
    startCommand(Command::A3);
}

void config::showDate()
{
    QString text;
    for (int i = 0; i < 5; ++i)
        text += QString::number(std::int8_t(rxBuffer[i]), 10) + "  ; ";
    form->lineEdit->setText(text);
    rxBuffer.fill(0);
    endExchange();
}
