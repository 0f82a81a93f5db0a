#pragma once

#include "CallTrace.h"
#include "SimControl.h"
#include "VirtualBridge.h"
#include "VirtualDetector.h"

#include <array>
#include <cstdint>

namespace sim {

// The one simulated device of the process: bridge, detector, injected call failures and the
// call trace. The entry points forward here.
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
    void setPresent(bool present);
    void flipNextBit(bool towardsDetector);

    VirtualBridge &bridge() { return m_bridge; }
    VirtualDetector &detector() { return m_detector; }
    CallTrace &trace() { return m_trace; }

private:
    SimDevice();
    SimDevice(const SimDevice &) = delete;
    SimDevice &operator=(const SimDevice &) = delete;

    bool fails(SimCall call) const;
    bool driveCall(SimCall call, unsigned int pin, bool level);
    void record(SimCall call, unsigned long arg, unsigned int value, bool result,
        std::uint64_t nanoseconds, const MoreArguments &more = {});
    static std::uint64_t now();
    static VirtualDetector::Date today();

    VirtualDetector m_detector;
    VirtualBridge m_bridge;
    CallTrace m_trace;
    unsigned int m_failingCalls = 0; // bit n set: SimCall n fails
    bool flipTowardsDetector = false;
    bool flipFromDetector = false;
};

} // namespace sim
