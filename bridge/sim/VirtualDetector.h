#pragma once

#include "ByteReceiver.h"
#include "ByteTransmitter.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace sim {

// The detector at the far end of the three-wire line. It only sees edges of the clock line
// (with the level of the data line it is fed) and answers through its data output.
class VirtualDetector
{
public:
    using Config = std::array<unsigned char, 5>; // wire order: flags, angle, level1..3
    using Date = std::array<unsigned char, 7>;

    static constexpr unsigned char kHandshake = 0xAA;
    static constexpr unsigned char kHandshakeReply = 0x55;
    static constexpr unsigned char kReadConfig = 0xA3;
    static constexpr unsigned char kConfigMarker = 0x53;
    static constexpr unsigned char kWriteConfig = 0xA6;
    static constexpr unsigned char kCommit = 0xA9;
    static constexpr unsigned char kSetDate = 0xA1;
    static constexpr unsigned char kReadDate = 0xA2;
    // A clock standing still longer than this in the middle of a frame aborts the frame.
    static constexpr std::uint64_t kResyncNanoseconds = 100'000'000;

    // Start state with the given date; see SimControl.h.
    void reset(const Date &today);

    void setPresent(bool present);
    bool present() const { return m_present; }
    void setConfig(const Config &config) { m_config = config; }
    const Config &config() const { return m_config; }
    void setDate(const Date &date) { m_date = date; }
    const Date &date() const { return m_date; }

    void setHandshakeReply(unsigned char reply) { m_handshakeReply = reply; }
    void setMarkerFault(int times) { m_markerFaults = times; }
    void setStoreFault(int index, unsigned char value);

    // A level change of the clock line at the given monotonic time; dataIn is the level of
    // the PC's data line at that moment.
    void clockEdge(bool rising, bool dataIn, std::uint64_t nanoseconds);
    // Level the detector puts on its data output; 1 when it does not drive it.
    bool dataOut() const { return !m_present || m_dataOut; }
    // The last complete frame taken in, command byte first.
    const std::vector<unsigned char> &received() const { return m_received; }

private:
    void abandonFrame();
    void resyncIfStalled(std::uint64_t nanoseconds);
    void onRisingEdge(bool dataIn);
    void onFallingEdge();
    void takeByte(unsigned char byte);
    void frameComplete();
    void execute(unsigned char command);
    std::vector<unsigned char> replyTo(unsigned char command);
    std::vector<unsigned char> configReply();
    void commitWrite();
    static std::size_t payloadLength(unsigned char command);

    bool m_present = true;
    Config m_config {};
    Date m_date {};
    unsigned char m_handshakeReply = kHandshakeReply;
    int m_markerFaults = 0;
    int m_storeFaultIndex = -1;
    unsigned char m_storeFaultValue = 0;

    ByteReceiver m_receiver;
    ByteTransmitter m_transmitter;
    bool m_answering = false;
    bool m_dataOut = true;
    bool m_sawEdge = false;
    std::uint64_t m_lastEdge = 0;
    std::vector<unsigned char> m_frame;
    std::vector<unsigned char> m_received;
    std::optional<Config> m_pendingWrite;
};

} // namespace sim
