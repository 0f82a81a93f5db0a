#pragma once

#include "CallTrace.h"
#include "SimControl.h"
#include "SlowCall.h"
#include "TraceFile.h"
#include "VirtualBridge.h"
#include "VirtualDetector.h"

#include <array>
#include <cstdint>

namespace sim {

// The one simulated device of the process: bridge, detector, injected call failures, the
// call trace and the trace file. The entry points forward here.
class SimDevice
{
public:
    // Arguments after the first, as the trace keeps them.
    using MoreArguments = std::array<unsigned long, 6>;

    static SimDevice &instance();

    void reset();

    void initMcp2200(unsigned int vendorId, unsigned int productId);
    bool isConnected();
    bool configureIo(unsigned char mask);
    bool setPin(unsigned int pin);
    bool clearPin(unsigned int pin);
    bool readPin(unsigned int pin, unsigned int *value);
    bool setBaudRate(int baudRate);
    bool configureMcp2200(unsigned char mask, const MoreArguments &more);

    void setCallFails(SimCall call, bool fails);
    // How long each call of that kind takes, as a slow bridge's USB round trip would.
    void setCallDuration(SimCall call, std::uint64_t nanoseconds);
    // The monotonic time the calls and the trace are stamped with.
    static std::uint64_t lineTime();
    void setPresent(bool present);
    void flipNextBit(bool towardsDetector);

    VirtualBridge &virtualBridge() { return bridge; }
    // The detector as it stands now: a polling one has had its looks up to this moment.
    VirtualDetector &virtualDetector();
    CallTrace &callTrace() { return trace; }

private:
    SimDevice();
    SimDevice(const SimDevice &) = delete;
    SimDevice &operator=(const SimDevice &) = delete;

    bool fails(SimCall call) const;
    bool driveCall(SimCall call, unsigned int pin, bool level);
    void record(SimCall call, unsigned long arg, unsigned int value, bool result,
        std::uint64_t nanoseconds, const MoreArguments &more = {});
    SlowCall startCall(SimCall call) const;
    static VirtualDetector::Date today();

    VirtualDetector detector;
    VirtualBridge bridge;
    CallTrace trace;
    TraceFile traceFile;
    unsigned int failingCalls = 0; // bit n set: SimCall n fails
    std::array<std::uint64_t, 8> durations {}; // per SimCall, 0 = instant
    bool flipTowardsDetector = false;
    bool flipFromDetector = false;
};

} // namespace sim
