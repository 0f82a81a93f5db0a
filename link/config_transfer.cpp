// The clocked bit-serial transfer: one engine per kind of frame, each paced by its own timer.
// One tick is half a clock period; bytes travel most significant bit first.
#include "config.h"

#include "ConfigForm.h"
#include "LineWait.h"

#include <QCheckBox>
#include <QPointer>
#include <QPushButton>
#include <QTextEdit>
#include <QTimer>

namespace {

constexpr int tickInterval = 2;
constexpr int frameEndWait = 4;
constexpr int replyBytePause = 160;
constexpr int genericFrameLength = 3;

} // namespace

void config::sendParam_timerAA()
{
    commandTick(Command::AA);
}

void config::sendParam_timerA3()
{
    commandTick(Command::A3);
}

void config::sendParam_timerA9()
{
    commandTick(Command::A9);
}

void config::sendParam_timerA1()
{
    commandTick(Command::A1);
}

void config::sendParam_timerA2()
{
    commandTick(Command::A2);
}

void config::sendParam_timerA6()
{
    commandTick(Command::A6);
}

void config::readHandshake()
{
    receiverTick(Reception::Handshake);
}

void config::readParam_timer()
{
    receiverTick(Reception::Config);
}

void config::readParam_timerA2r()
{
    receiverTick(Reception::Date);
}

void config::resetFrame()
{
    bitIndex = 7;
    byteIndex = 0;
    phase = false;
}

void config::startEngine(QTimer *engine)
{
    engine->start(tickInterval);
}

void config::traceBit(bool bit)
{
    trace(bit ? "1" : "0");
}

void config::trace(const QString &text)
{
    form->sendText->insertPlainText(text);
}

void config::setTransferEnabled(bool enabled)
{
    form->send->setEnabled(enabled);
    form->read->setEnabled(enabled);
}

QTimer *config::senderTimer(Command command) const
{
    switch (command) {
    case Command::AA:
        return timerAA;
    case Command::A3:
        return timerA3;
    case Command::A9:
        return timerA9;
    case Command::A1:
        return timerA1;
    case Command::A2:
        return timerA2;
    case Command::A6:
        return timerA6;
    }
    return timerAA;
}

int config::frameLength(Command command)
{
    switch (command) {
    case Command::A1:
        return 4;
    case Command::A6:
        return 6;
    default:
        return 1;
    }
}

int config::frameLength(Reception reception)
{
    switch (reception) {
    case Reception::Handshake:
        return 1;
    case Reception::Config:
        return 6;
    case Reception::Date:
        return 7;
    }
    return 1;
}

std::uint8_t config::frameByte(Command command, int index) const
{
    switch (command) {
    case Command::AA:
        return 0xAA;
    case Command::A3:
        return 0xA3;
    case Command::A9:
        return 0xA9;
    case Command::A2:
        return 0xA2;
    case Command::A1:
        return index == 0 ? 0xA1 : dateSnapshot[index - 1];
    case Command::A6:
        return index == 0 ? 0xA6 : writeSnapshot[index - 1];
    }
    return 0;
}

void config::commandTick(Command command)
{
    if (command == Command::A6)
        emit action(5, bitIndex, byteIndex);
    if (command != Command::A1 && form->hand->isChecked())
        form->hand->setEnabled(false);
    phase = !phase;
    if (!phase) {
        clockHigh();
        return;
    }
    if (bitIndex >= 0) {
        sendNextBit(command);
        return;
    }
    if (nextCommandByte(command))
        return;
    endCommandFrame(command);
}

void config::sendNextBit(Command command)
{
    clockLow();
    const bool bit = (frameByte(command, byteIndex) >> bitIndex) & 1;
    traceBit(bit);
    dataOut(bit);
    --bitIndex;
}

// The byte of the previous clock period is complete. True while the frame has more bytes: the
// clock then stays high for one extra period before the next byte.
bool config::nextCommandByte(Command command)
{
    if (frameLength(command) == 1)
        return false;
    bitIndex = 7;
    ++byteIndex;
    trace("|");
    return byteIndex < frameLength(command);
}

void config::endCommandFrame(Command command)
{
    trace("|\n");
    senderTimer(command)->stop();
    if (command == Command::A9)
        emit action(0, 0, 33);
    bitIndex = 7;
    if (command == Command::AA) {
        clockHigh();
        setIdlePins();
    } else {
        setIdlePins();
        clockHigh();
    }
    if (!pauseProcessingEvents(frameEndWait))
        return;
    rxBuffer.fill(0);
    byteIndex = 0;
    phase = false;
    if (command == Command::AA) {
        timerAA->stop();
        if (++handshakeCount > 10) {
            clr();
            handshakeCount = 0;
        }
    }
    afterCommandFrame(command);
}

void config::afterCommandFrame(Command command)
{
    switch (command) {
    case Command::AA:
        startEngine(timerHandshake);
        break;
    case Command::A3:
        startEngine(timerConfig);
        break;
    case Command::A2:
        startEngine(timerDate);
        break;
    case Command::A6:
        startEngine(timerA9);
        break;
    case Command::A9:
        finishWrite();
        break;
    case Command::A1:
        endExchange();
        break;
    }
}

void config::receiverTick(Reception reception)
{
    if (reception == Reception::Config)
        emit action(5, bitIndex, byteIndex);
    if (reception == Reception::Handshake)
        form->hand->setEnabled(true);
    phase = !phase;
    if (phase) {
        clockLow();
        return;
    }
    // The detector needs time between reply bytes; the clock stays high meanwhile.
    if (receiveBit() && reception != Reception::Handshake && !pauseProcessingEvents(replyBytePause))
        return;
    if (byteIndex < frameLength(reception))
        return;
    endReception(reception);
}

// Takes the bit on the rising edge. True when it completes a byte.
bool config::receiveBit()
{
    clockHigh();
    lastBit = sampleDataIn();
    if (lastBit)
        rxBuffer[byteIndex] |= std::uint8_t(1u << bitIndex);
    traceBit(lastBit);
    if (--bitIndex >= 0)
        return false;
    bitIndex = 7;
    ++byteIndex;
    trace("|");
    return true;
}

// Events are handled during the pause, and one of them may delete the link: false then, and
// the caller must leave at once.
bool config::pauseProcessingEvents(int milliseconds)
{
    const QPointer<config> alive(this);
    LineWait::processingEvents(milliseconds);
    return !alive.isNull();
}

void config::endReception(Reception reception)
{
    if (reception == Reception::Handshake) {
        timerHandshake->stop();
        setIdlePins();
        trace("|\n");
        resetFrame();
        setTransferEnabled(true);
        handshakeResult();
        return;
    }
    setIdlePins();
    trace("|\n");
    (reception == Reception::Config ? timerConfig : timerDate)->stop();
    setTransferEnabled(true);
    if (reception == Reception::Config)
        evaluateReply();
    else
        showDate();
}

void config::sendParam_timer()
{
    phase = !phase;
    if (!phase) {
        clockHigh();
        return;
    }
    lastBit = (sendBuffer[byteIndex] >> bitIndex) & 1;
    traceBit(lastBit);
    dataOut(lastBit);
    clockLow();
    if (--bitIndex < 0) {
        bitIndex = 7;
        ++byteIndex;
        trace("|");
    }
    if (byteIndex < genericFrameLength)
        return;
    timerGeneric->stop();
    clockHigh();
    form->sendText->append("\n--------------\n");
    setTransferEnabled(true);
    startGenericRead();
}

void config::startGenericRead()
{
    resetFrame();
    rxBuffer.fill(0);
    setTransferEnabled(false);
    // The detector turns the line round in this time; nothing else may run on the line meanwhile.
    LineWait::withoutEvents(frameEndWait);
    startEngine(timerConfig);
}
