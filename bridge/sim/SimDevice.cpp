#include "SimDevice.h"

#include <algorithm>
#include <chrono>
#include <ctime>

namespace sim {

SimDevice &SimDevice::instance()
{
    static SimDevice device;
    return device;
}

SimDevice::SimDevice()
    : m_bridge(m_detector)
{
    reset();
}

void SimDevice::reset()
{
    m_detector.reset(today());
    m_bridge.reset();
    m_trace.setEnabled(false);
    m_trace.clear();
    m_failingCalls = 0;
    flipTowardsDetector = false;
    flipFromDetector = false;
}

void SimDevice::initMcp2200(unsigned int vendorId, unsigned int productId)
{
    const std::uint64_t t = now();
    if (!fails(SIM_INIT_MCP2200))
        m_bridge.open(vendorId, productId);
    record(SIM_INIT_MCP2200, vendorId, 0, true, t, {productId});
}

bool SimDevice::isConnected()
{
    const std::uint64_t t = now();
    const bool result = !fails(SIM_IS_CONNECTED) && m_bridge.isOpen();
    record(SIM_IS_CONNECTED, 0, 0, result, t);
    return result;
}

bool SimDevice::configureIo(unsigned char mask)
{
    const std::uint64_t t = now();
    const bool result = !fails(SIM_CONFIGURE_IO) && m_bridge.configure(mask, t);
    record(SIM_CONFIGURE_IO, mask, 0, result, t);
    return result;
}

bool SimDevice::setPin(unsigned int pin)
{
    return driveCall(SIM_SET_PIN, pin, true);
}

bool SimDevice::clearPin(unsigned int pin)
{
    return driveCall(SIM_CLEAR_PIN, pin, false);
}

bool SimDevice::readPin(unsigned int pin, unsigned int *value)
{
    const std::uint64_t t = now();
    const bool result = !fails(SIM_READ_PIN) && m_bridge.read(pin, value);
    if (result && pin == VirtualBridge::kDataFromDetectorPin && flipFromDetector) {
        *value = *value != 0 ? 0 : 1;
        flipFromDetector = false;
    }
    record(SIM_READ_PIN, pin, result ? *value : 0, result, t);
    return result;
}

bool SimDevice::setBaudRate(int baudRate)
{
    const std::uint64_t t = now();
    const bool result = !fails(SIM_SET_BAUD_RATE) && m_bridge.setBaudRate(baudRate);
    record(SIM_SET_BAUD_RATE, static_cast<unsigned long>(baudRate), 0, result, t);
    return result;
}

bool SimDevice::configureMcp2200(unsigned char mask, const MoreArguments &more)
{
    const std::uint64_t t = now();
    const bool result = !fails(SIM_CONFIGURE_MCP2200) && m_bridge.configure(mask, more[0], t);
    record(SIM_CONFIGURE_MCP2200, mask, 0, result, t, more);
    return result;
}

void SimDevice::setCallFails(SimCall call, bool fails)
{
    const unsigned int index = static_cast<unsigned int>(call);
    if (index > static_cast<unsigned int>(SIM_CONFIGURE_MCP2200))
        return;
    const unsigned int bit = 1u << index;
    m_failingCalls = fails ? (m_failingCalls | bit) : (m_failingCalls & ~bit);
}

void SimDevice::setPresent(bool present)
{
    m_detector.setPresent(present);
}

void SimDevice::flipNextBit(bool towardsDetector)
{
    if (towardsDetector)
        flipTowardsDetector = true;
    else
        flipFromDetector = true;
}

bool SimDevice::fails(SimCall call) const
{
    return ((m_failingCalls >> static_cast<unsigned int>(call)) & 1u) != 0;
}

bool SimDevice::driveCall(SimCall call, unsigned int pin, bool level)
{
    const std::uint64_t t = now();
    const bool flip = flipTowardsDetector && pin == VirtualBridge::kDataToDetectorPin
        && !m_bridge.lineLevel(VirtualBridge::kClockPin);
    const bool result = !fails(call) && m_bridge.drive(pin, flip ? !level : level, t);
    if (flip && result)
        flipTowardsDetector = false;
    record(call, pin, 0, result, t);
    return result;
}

void SimDevice::record(SimCall call, unsigned long arg, unsigned int value, bool result,
    std::uint64_t nanoseconds, const MoreArguments &more)
{
    SimTraceEntry entry {call, arg, value, result, nanoseconds, {}};
    std::copy(more.begin(), more.end(), entry.more);
    m_trace.record(entry);
}

std::uint64_t SimDevice::now()
{
    const auto since = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(since).count());
}

VirtualDetector::Date SimDevice::today()
{
    const std::time_t seconds = std::time(nullptr);
    std::tm local {};
#if defined(_WIN32)
    localtime_s(&local, &seconds);
#else
    localtime_r(&seconds, &local);
#endif
    return {static_cast<unsigned char>(local.tm_year % 100),
        static_cast<unsigned char>(local.tm_mon + 1), static_cast<unsigned char>(local.tm_mday), 0,
        0, 0, 0};
}

} // namespace sim
