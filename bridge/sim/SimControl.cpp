// Control and observation of the simulated device, for tests.

#include "SimControl.h"

#include "SimDevice.h"

#include <algorithm>
#include <cstdint>

using sim::SimDevice;
using sim::VirtualDetector;

namespace {

// Loading the library puts the device into its start state.
const bool startedAtLoad = (SimDevice::instance(), true);

} // namespace

void sim_reset(void)
{
    SimDevice::instance().reset();
}

void sim_set_present(bool present)
{
    SimDevice::instance().setPresent(present);
}

bool sim_is_present(void)
{
    return SimDevice::instance().virtualDetector().isPresent();
}

void sim_set_config(const unsigned char config[5])
{
    VirtualDetector::Config stored;
    std::copy(config, config + stored.size(), stored.begin());
    SimDevice::instance().virtualDetector().setConfig(stored);
}

void sim_get_config(unsigned char config[5])
{
    const VirtualDetector::Config &stored = SimDevice::instance().virtualDetector().storedConfig();
    std::copy(stored.begin(), stored.end(), config);
}

void sim_set_date(const unsigned char date[7])
{
    VirtualDetector::Date stored;
    std::copy(date, date + stored.size(), stored.begin());
    SimDevice::instance().virtualDetector().setDate(stored);
}

void sim_get_date(unsigned char date[7])
{
    const VirtualDetector::Date &stored = SimDevice::instance().virtualDetector().storedDate();
    std::copy(stored.begin(), stored.end(), date);
}

void sim_set_handshake_reply(unsigned char reply)
{
    SimDevice::instance().virtualDetector().setHandshakeReply(reply);
}

void sim_set_marker_fault(int times)
{
    SimDevice::instance().virtualDetector().setMarkerFault(times);
}

void sim_set_store_fault(int index, unsigned char value)
{
    SimDevice::instance().virtualDetector().setStoreFault(index, value);
}

void sim_set_call_fails(SimCall call, bool fails)
{
    SimDevice::instance().setCallFails(call, fails);
}

void sim_set_polling(unsigned int periodMicroseconds, unsigned int offsetMicroseconds)
{
    SimDevice::instance().virtualBridge().setPolling(
        std::uint64_t(periodMicroseconds) * 1000, std::uint64_t(offsetMicroseconds) * 1000);
}

void sim_set_stall_limit(unsigned int milliseconds)
{
    SimDevice::instance().virtualDetector().setStallLimit(std::uint64_t(milliseconds) * 1000000);
}

void sim_set_call_duration(SimCall call, unsigned int microseconds)
{
    SimDevice::instance().setCallDuration(call, std::uint64_t(microseconds) * 1000);
}

unsigned long long sim_clock_nanoseconds(void)
{
    return SimDevice::lineTime();
}

void sim_flip_next_bit(bool towardsDetector)
{
    SimDevice::instance().flipNextBit(towardsDetector);
}

int sim_pin_level(unsigned int pin)
{
    return SimDevice::instance().virtualBridge().lineLevel(pin, SimDevice::lineTime()) ? 1 : 0;
}

unsigned int sim_io_mask(void)
{
    return SimDevice::instance().virtualBridge().directionMask();
}

unsigned int sim_baud_rate(void)
{
    return static_cast<unsigned int>(SimDevice::instance().virtualBridge().uartBaudRate());
}

size_t sim_received(unsigned char *buffer, size_t capacity)
{
    const auto &frame = SimDevice::instance().virtualDetector().receivedFrame();
    const size_t count = std::min(capacity, frame.size());
    if (buffer != nullptr)
        std::copy(frame.begin(), frame.begin() + static_cast<long>(count), buffer);
    return buffer != nullptr ? count : 0;
}

void sim_trace_enable(bool on)
{
    SimDevice::instance().callTrace().setEnabled(on);
}

void sim_trace_clear(void)
{
    SimDevice::instance().callTrace().clear();
}

size_t sim_trace_size(void)
{
    return SimDevice::instance().callTrace().size();
}

SimTraceEntry sim_trace_at(size_t index)
{
    return SimDevice::instance().callTrace().at(index);
}
