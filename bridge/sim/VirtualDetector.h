#pragma once

#include "ByteReceiver.h"
#include "ByteTransmitter.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace sim {

class TraceFile;

// The detector at the far end of the three-wire line. It only sees edges of the clock line
// (with the level of the data line it is fed) and answers through its data output.
class VirtualDetector
{
public:
    using Config = std::array<unsigned char, 5>; // wire order: flags, angle, level1..3
    using Date = std::array<unsigned char, 7>;

    static constexpr unsigned char handshakeCommand = 0xAA;
    static constexpr unsigned char goodHandshakeReply = 0x55;
    static constexpr unsigned char readConfigCommand = 0xA3;
    static constexpr unsigned char configMarker = 0x53;
    static constexpr unsigned char writeConfigCommand = 0xA6;
    static constexpr unsigned char commitCommand = 0xA9;
    static constexpr unsigned char setDateCommand = 0xA1;
    static constexpr unsigned char readDateCommand = 0xA2;
    // A clock standing still longer than this in the middle of a frame aborts the frame. Inside
    // a frame the PC leaves a few milliseconds between edges at most, and a polling detector
    // sees each edge at most one look late, so this only ever passes between exchanges.
    static constexpr std::uint64_t resyncNanoseconds = 100'000'000;
    // 0: no limit, for tests of the line's order and bytes that a stalled process must not fail.
    void setStallLimit(std::uint64_t nanoseconds) { stallLimit = nanoseconds; }
    std::uint64_t stallLimitNanoseconds() const { return stallLimit; }

    // Start state with the given date; see SimControl.h.
    void reset(const Date &today);

    void setPresent(bool on);
    bool isPresent() const { return present; }
    void setConfig(const Config &stored) { config = stored; }
    const Config &storedConfig() const { return config; }
    void setDate(const Date &stored) { date = stored; }
    const Date &storedDate() const { return date; }

    void setHandshakeReply(unsigned char reply) { handshakeReply = reply; }
    void setMarkerFault(int times) { markerFaults = times; }
    void setStoreFault(int index, unsigned char value);
    // Where complete frames and finished replies are written; none by default.
    void setTraceFile(TraceFile *file) { traceFile = file; }

    // A level change of the clock line at the given monotonic time; dataIn is the level of
    // the PC's data line at that moment.
    void clockEdge(bool rising, bool dataIn, std::uint64_t nanoseconds);
    // Level the detector puts on its data output; 1 when it does not drive it.
    bool dataOutLevel() const { return !present || dataOut; }
    // The last complete frame taken in, command byte first.
    const std::vector<unsigned char> &receivedFrame() const { return received; }
    // For an observer of the line: a frame is under way from its first bit taken in to the
    // last bit of its reply read out; the moment of the last edge taken.
    bool inFrame() const { return receiver.partial() || !frame.empty() || answering; }
    bool isAnswering() const { return answering; }
    std::uint64_t lastEdgeTime() const { return lastEdge; }

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

    bool present = true;
    Config config {};
    Date date {};
    unsigned char handshakeReply = goodHandshakeReply;
    int markerFaults = 0;
    int storeFaultIndex = -1;
    unsigned char storeFaultValue = 0;

    ByteReceiver receiver;
    ByteTransmitter transmitter;
    bool answering = false;
    bool dataOut = true;
    bool sawEdge = false;
    std::uint64_t stallLimit = resyncNanoseconds;
    std::uint64_t lastEdge = 0; // during clockEdge(), the edge being handled
    std::vector<unsigned char> frame;
    std::vector<unsigned char> received;
    std::optional<Config> pendingWrite;
    TraceFile *traceFile = nullptr;
};

} // namespace sim
