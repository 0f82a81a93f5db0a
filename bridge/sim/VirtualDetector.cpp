#include "VirtualDetector.h"

#include "TraceFile.h"

#include <algorithm>

namespace sim {

void VirtualDetector::reset(const Date &today)
{
    present = true;
    config = {0x01, 20, 3, 7, 15};
    date = today;
    handshakeReply = goodHandshakeReply;
    markerFaults = 0;
    storeFaultIndex = -1;
    storeFaultValue = 0;
    sawEdge = false;
    stallLimit = resyncNanoseconds;
    received.clear();
    abandonFrame();
}

void VirtualDetector::setPresent(bool on)
{
    if (on == present)
        return;
    present = on;
    // Plugged in or pulled out: whatever was on the wire is lost either way.
    sawEdge = false;
    abandonFrame();
}

void VirtualDetector::setStoreFault(int index, unsigned char value)
{
    storeFaultIndex = (index >= 0 && index < static_cast<int>(Config().size())) ? index : -1;
    storeFaultValue = value;
}

void VirtualDetector::clockEdge(bool rising, bool dataIn, std::uint64_t nanoseconds)
{
    if (!present)
        return;
    resyncIfStalled(nanoseconds);
    if (rising)
        onRisingEdge(dataIn);
    else
        onFallingEdge();
}

void VirtualDetector::abandonFrame()
{
    receiver.clear();
    frame.clear();
    pendingWrite.reset();
    transmitter.clear();
    answering = false;
    dataOut = true;
}

void VirtualDetector::resyncIfStalled(std::uint64_t nanoseconds)
{
    const bool stalled = sawEdge && stallLimit != 0 && nanoseconds - lastEdge > stallLimit;
    sawEdge = true;
    lastEdge = nanoseconds;
    if (!stalled || answering)
        return;
    // Only a frame in the middle of being received is dropped; a pending write survives
    // an idle line, since the commit is its own frame.
    receiver.clear();
    frame.clear();
}

void VirtualDetector::onRisingEdge(bool dataIn)
{
    if (answering) {
        // The PC samples the bit now; once the last one is read the detector listens again
        // but keeps the bit on the line until the clock falls.
        if (!transmitter.pending())
            answering = false;
        return;
    }
    if (receiver.push(dataIn))
        takeByte(receiver.receivedByte());
}

void VirtualDetector::onFallingEdge()
{
    if (answering && transmitter.pending()) {
        dataOut = transmitter.nextBit();
        if (!transmitter.pending() && traceFile != nullptr)
            traceFile->reply(lastEdge, transmitter.loaded());
    } else if (!answering)
        dataOut = true;
}

void VirtualDetector::takeByte(unsigned char byte)
{
    frame.push_back(byte);
    if (frame.size() == 1 + payloadLength(frame.front()))
        frameComplete();
}

void VirtualDetector::frameComplete()
{
    received = frame;
    frame.clear();
    if (traceFile != nullptr)
        traceFile->frame(lastEdge, received);
    const unsigned char command = received.front();
    execute(command);
    std::vector<unsigned char> reply = replyTo(command);
    if (reply.empty())
        return;
    transmitter.load(std::move(reply));
    answering = true;
}

void VirtualDetector::execute(unsigned char command)
{
    if (command == commitCommand && pendingWrite)
        commitWrite();
    // A write is stored only if the very next command commits it.
    pendingWrite.reset();
    if (command == writeConfigCommand) {
        Config pending;
        std::copy(received.begin() + 1, received.end(), pending.begin());
        pendingWrite = pending;
    } else if (command == setDateCommand) {
        std::copy(received.begin() + 1, received.end(), date.begin());
    }
}

std::vector<unsigned char> VirtualDetector::replyTo(unsigned char command)
{
    switch (command) {
    case handshakeCommand:
        return {handshakeReply};
    case readConfigCommand:
        return configReply();
    case readDateCommand:
        return std::vector<unsigned char>(date.begin(), date.end());
    default:
        return {};
    }
}

std::vector<unsigned char> VirtualDetector::configReply()
{
    std::vector<unsigned char> reply(1 + config.size());
    reply.front() = configMarker;
    std::copy(config.begin(), config.end(), reply.begin() + 1);
    if (markerFaults != 0) {
        reply.front() = 0x00;
        if (markerFaults > 0)
            --markerFaults;
    }
    return reply;
}

void VirtualDetector::commitWrite()
{
    config = *pendingWrite;
    if (storeFaultIndex >= 0)
        config[static_cast<std::size_t>(storeFaultIndex)] = storeFaultValue;
}

std::size_t VirtualDetector::payloadLength(unsigned char command)
{
    switch (command) {
    case writeConfigCommand:
        return Config().size();
    case setDateCommand:
        return 3;
    default:
        return 0;
    }
}

} // namespace sim
