#include "VirtualDetector.h"

#include <algorithm>

namespace sim {

void VirtualDetector::reset(const Date &today)
{
    m_present = true;
    m_config = {0x01, 20, 3, 7, 15};
    m_date = today;
    m_handshakeReply = kHandshakeReply;
    m_markerFaults = 0;
    m_storeFaultIndex = -1;
    m_storeFaultValue = 0;
    m_sawEdge = false;
    m_received.clear();
    abandonFrame();
}

void VirtualDetector::setPresent(bool present)
{
    if (present == m_present)
        return;
    m_present = present;
    // Plugged in or pulled out: whatever was on the wire is lost either way.
    m_sawEdge = false;
    abandonFrame();
}

void VirtualDetector::setStoreFault(int index, unsigned char value)
{
    m_storeFaultIndex = (index >= 0 && index < static_cast<int>(Config().size())) ? index : -1;
    m_storeFaultValue = value;
}

void VirtualDetector::clockEdge(bool rising, bool dataIn, std::uint64_t nanoseconds)
{
    if (!m_present)
        return;
    resyncIfStalled(nanoseconds);
    if (rising)
        onRisingEdge(dataIn);
    else
        onFallingEdge();
}

void VirtualDetector::abandonFrame()
{
    m_receiver.clear();
    m_frame.clear();
    m_pendingWrite.reset();
    m_transmitter.clear();
    m_answering = false;
    m_dataOut = true;
}

void VirtualDetector::resyncIfStalled(std::uint64_t nanoseconds)
{
    const bool stalled = m_sawEdge && nanoseconds - m_lastEdge > kResyncNanoseconds;
    m_sawEdge = true;
    m_lastEdge = nanoseconds;
    if (!stalled || m_answering)
        return;
    // Only a frame in the middle of being received is dropped; a pending write survives
    // an idle line, since the commit is its own frame.
    m_receiver.clear();
    m_frame.clear();
}

void VirtualDetector::onRisingEdge(bool dataIn)
{
    if (m_answering) {
        // The PC samples the bit now; once the last one is read the detector listens again
        // but keeps the bit on the line until the clock falls.
        if (!m_transmitter.pending())
            m_answering = false;
        return;
    }
    if (m_receiver.push(dataIn))
        takeByte(m_receiver.byte());
}

void VirtualDetector::onFallingEdge()
{
    if (m_answering && m_transmitter.pending())
        m_dataOut = m_transmitter.nextBit();
    else if (!m_answering)
        m_dataOut = true;
}

void VirtualDetector::takeByte(unsigned char byte)
{
    m_frame.push_back(byte);
    if (m_frame.size() == 1 + payloadLength(m_frame.front()))
        frameComplete();
}

void VirtualDetector::frameComplete()
{
    m_received = m_frame;
    m_frame.clear();
    const unsigned char command = m_received.front();
    execute(command);
    std::vector<unsigned char> reply = replyTo(command);
    if (reply.empty())
        return;
    m_transmitter.load(std::move(reply));
    m_answering = true;
}

void VirtualDetector::execute(unsigned char command)
{
    if (command == kCommit && m_pendingWrite)
        commitWrite();
    // A write is stored only if the very next command commits it.
    m_pendingWrite.reset();
    if (command == kWriteConfig) {
        Config pending;
        std::copy(m_received.begin() + 1, m_received.end(), pending.begin());
        m_pendingWrite = pending;
    } else if (command == kSetDate) {
        std::copy(m_received.begin() + 1, m_received.end(), m_date.begin());
    }
}

std::vector<unsigned char> VirtualDetector::replyTo(unsigned char command)
{
    switch (command) {
    case kHandshake:
        return {m_handshakeReply};
    case kReadConfig:
        return configReply();
    case kReadDate:
        return std::vector<unsigned char>(m_date.begin(), m_date.end());
    default:
        return {};
    }
}

std::vector<unsigned char> VirtualDetector::configReply()
{
    std::vector<unsigned char> reply(1 + m_config.size());
    reply.front() = kConfigMarker;
    std::copy(m_config.begin(), m_config.end(), reply.begin() + 1);
    if (m_markerFaults != 0) {
        reply.front() = 0x00;
        if (m_markerFaults > 0)
            --m_markerFaults;
    }
    return reply;
}

void VirtualDetector::commitWrite()
{
    m_config = *m_pendingWrite;
    if (m_storeFaultIndex >= 0)
        m_config[static_cast<std::size_t>(m_storeFaultIndex)] = m_storeFaultValue;
}

std::size_t VirtualDetector::payloadLength(unsigned char command)
{
    switch (command) {
    case kWriteConfig:
        return Config().size();
    case kSetDate:
        return 3;
    default:
        return 0;
    }
}

} // namespace sim
