// The clocked bit-serial transfer: one engine per kind of frame, each driven by its own timer.
// One tick is half a clock period; bytes travel most significant bit first. Every tick waits
// for the pacer before it touches the lines and then re-arms its timer for the moment the next
// tick may act, so that a late tick only lengthens its own phase: a periodic timer would catch
// up on its grid and cut the next phase short, which a detector that polls its clock input
// turns into wrong bits.
#include "config.h"

#include "ConfigForm.h"
#include "LineWait.h"

#include <QCheckBox>
#include <QPointer>
#include <QPushButton>
#include <QTextEdit>
#include <QTimer>

namespace {

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

// The timer gets the whole milliseconds left before the next tick may act; the pacer sleeps
// the fraction, so the tick is neither early nor needlessly late.
void config::armNextTick(QTimer *engine)
{
    if (engine->isActive())
        engine->start(pacer.wholeMillisecondsLeft());
}

void config::stopEngine(QTimer *engine)
{
    engine->stop();
}

void config::moveClock(bool high)
{
    if (high)
        clockHigh();
    else
        clockLow();
    pacer.pinsMoved();
}

void config::moveData(bool bit)
{
    dataOut(bit);
    pacer.pinsMoved();
}

void config::idleLines()
{
    setIdlePins();
    pacer.pinsMoved();
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

QTimer *config::receiverTimer(Reception reception) const
{
    switch (reception) {
    case Reception::Handshake:
        return timerHandshake;
    case Reception::Config:
        return timerConfig;
    case Reception::Date:
        return timerDate;
    }
    return timerHandshake;
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
    pacer.awaitTick();
    phase = !phase;
    if (!phase) {
        moveClock(true);
    } else if (bitIndex >= 0) {
        sendNextBit(command);
    } else if (!nextCommandByte(command)) {
        endCommandFrame(command);
        return;
    }
    armNextTick(senderTimer(command));
}

// The next rising edge is paced from the data call, so the bit stands a full tick before it.
// The bit log is written after the lines have moved, so it delays no edge.
void config::sendNextBit(Command command)
{
    moveClock(false);
    const bool bit = (frameByte(command, byteIndex) >> bitIndex) & 1;
    moveData(bit);
    traceBit(bit);
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
    stopEngine(senderTimer(command));
    if (command == Command::A9)
        emit action(0, 0, 33);
    bitIndex = 7;
    if (command == Command::AA) {
        moveClock(true);
        idleLines();
    } else {
        idleLines();
        moveClock(true);
    }
    if (!pauseProcessingEvents(frameEndWait))
        return;
    rxBuffer.fill(0);
    byteIndex = 0;
    phase = false;
    if (command == Command::AA) {
        stopEngine(timerAA);
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
    QTimer *engine = receiverTimer(reception);
    pacer.awaitTick();
    phase = !phase;
    if (phase) {
        moveClock(false);
        armNextTick(engine);
        return;
    }
    // The detector needs time between reply bytes; the clock stays high meanwhile.
    if (receiveBit() && reception != Reception::Handshake && !pauseProcessingEvents(replyBytePause))
        return;
    if (byteIndex < frameLength(reception))
        armNextTick(engine);
    else
        endReception(reception);
}

// Takes the bit on the rising edge, a full tick after the falling one. True when it completes
// a byte.
bool config::receiveBit()
{
    moveClock(true);
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
        stopEngine(timerHandshake);
        idleLines();
        trace("|\n");
        resetFrame();
        setTransferEnabled(true);
        handshakeResult();
        return;
    }
    idleLines();
    trace("|\n");
    stopEngine(receiverTimer(reception));
    setTransferEnabled(true);
    if (reception == Reception::Config)
        evaluateReply();
    else
        showDate();
}

// The data line moves before the falling edge here, so the bit stands a full tick before the
// rising one. The bit log is written after the lines have moved, so it delays no edge. The last
// bit gets its full tick of clock low too: the frame ends on the tick that raises the clock.
void config::sendParam_timer()
{
    pacer.awaitTick();
    phase = !phase;
    if (!phase) {
        moveClock(true);
        if (byteIndex < genericFrameLength)
            armNextTick(timerGeneric);
        else
            endGenericFrame();
        return;
    }
    lastBit = (sendBuffer[byteIndex] >> bitIndex) & 1;
    moveData(lastBit);
    moveClock(false);
    traceBit(lastBit);
    if (--bitIndex < 0) {
        bitIndex = 7;
        ++byteIndex;
        trace("|");
    }
    armNextTick(timerGeneric);
}

// The data line keeps the last bit until the reception that follows has ended.
void config::endGenericFrame()
{
    stopEngine(timerGeneric);
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
