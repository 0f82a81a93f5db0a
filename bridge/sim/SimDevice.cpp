#include "SimDevice.h"

#include <algorithm>
#include <ctime>

namespace sim {

SimDevice &SimDevice::instance()
{
    static SimDevice device;
    return device;
}

SimDevice::SimDevice()
    : bridge(detector)
{
    detector.setTraceFile(&traceFile);
    reset();
}

void SimDevice::reset()
{
    detector.reset(today());
    bridge.reset();
    trace.setEnabled(false);
    trace.clear();
    traceFile.reset(lineTime());
    failingCalls = 0;
    durations.fill(0);
    flipTowardsDetector = false;
    flipFromDetector = false;
}

void SimDevice::initMcp2200(unsigned int vendorId, unsigned int productId)
{
    const SlowCall slow = startCall(SIM_INIT_MCP2200);
    const std::uint64_t t = slow.effect();
    if (!fails(SIM_INIT_MCP2200))
        bridge.open(vendorId, productId);
    record(SIM_INIT_MCP2200, vendorId, 0, true, t, {productId});
    slow.finish();
}

bool SimDevice::isConnected()
{
    const SlowCall slow = startCall(SIM_IS_CONNECTED);
    const std::uint64_t t = slow.effect();
    const bool result = !fails(SIM_IS_CONNECTED) && bridge.isOpen();
    record(SIM_IS_CONNECTED, 0, 0, result, t);
    slow.finish();
    return result;
}

bool SimDevice::configureIo(unsigned char mask)
{
    const SlowCall slow = startCall(SIM_CONFIGURE_IO);
    const std::uint64_t t = slow.effect();
    const bool result = !fails(SIM_CONFIGURE_IO) && bridge.configure(mask, t);
    record(SIM_CONFIGURE_IO, mask, 0, result, t);
    slow.finish();
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
    const SlowCall slow = startCall(SIM_READ_PIN);
    const std::uint64_t t = slow.effect();
    const bool result = !fails(SIM_READ_PIN) && bridge.read(pin, value, t);
    if (result && pin == VirtualBridge::dataFromDetectorPin && flipFromDetector) {
        *value = *value != 0 ? 0 : 1;
        flipFromDetector = false;
    }
    record(SIM_READ_PIN, pin, result ? *value : 0, result, t);
    slow.finish();
    return result;
}

bool SimDevice::setBaudRate(int baudRate)
{
    const SlowCall slow = startCall(SIM_SET_BAUD_RATE);
    const std::uint64_t t = slow.effect();
    const bool result = !fails(SIM_SET_BAUD_RATE) && bridge.setBaudRate(baudRate);
    record(SIM_SET_BAUD_RATE, static_cast<unsigned long>(baudRate), 0, result, t);
    slow.finish();
    return result;
}

bool SimDevice::configureMcp2200(unsigned char mask, const MoreArguments &more)
{
    const SlowCall slow = startCall(SIM_CONFIGURE_MCP2200);
    const std::uint64_t t = slow.effect();
    const bool result = !fails(SIM_CONFIGURE_MCP2200) && bridge.configure(mask, more[0], t);
    record(SIM_CONFIGURE_MCP2200, mask, 0, result, t, more);
    slow.finish();
    return result;
}

void SimDevice::setCallFails(SimCall call, bool fails)
{
    const unsigned int index = static_cast<unsigned int>(call);
    if (index > static_cast<unsigned int>(SIM_CONFIGURE_MCP2200))
        return;
    const unsigned int bit = 1u << index;
    failingCalls = fails ? (failingCalls | bit) : (failingCalls & ~bit);
}

void SimDevice::setCallDuration(SimCall call, std::uint64_t nanoseconds)
{
    const auto index = static_cast<std::size_t>(call);
    if (index < durations.size())
        durations[index] = nanoseconds;
}

std::uint64_t SimDevice::lineTime()
{
    return SlowCall::now();
}

VirtualDetector &SimDevice::virtualDetector()
{
    bridge.catchUp(lineTime());
    return detector;
}

void SimDevice::setPresent(bool present)
{
    virtualDetector().setPresent(present);
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
    return ((failingCalls >> static_cast<unsigned int>(call)) & 1u) != 0;
}

bool SimDevice::driveCall(SimCall call, unsigned int pin, bool level)
{
    const SlowCall slow = startCall(call);
    const std::uint64_t t = slow.effect();
    const bool flip = flipTowardsDetector && pin == VirtualBridge::dataToDetectorPin
        && !bridge.lineLevel(VirtualBridge::clockPin, t);
    const bool result = !fails(call) && bridge.drive(pin, flip ? !level : level, t);
    if (flip && result)
        flipTowardsDetector = false;
    record(call, pin, 0, result, t);
    slow.finish();
    return result;
}

void SimDevice::record(SimCall call, unsigned long arg, unsigned int value, bool result,
    std::uint64_t nanoseconds, const MoreArguments &more)
{
    SimTraceEntry entry {call, arg, value, result, nanoseconds, {}};
    std::copy(more.begin(), more.end(), entry.more);
    trace.record(entry);
    traceFile.call(entry);
}

// A write acts once its report has gone out, at the end of the call; a read samples the pin
// halfway, between the request and the answer.
SlowCall SimDevice::startCall(SimCall call) const
{
    const std::uint64_t duration = durations[static_cast<std::size_t>(call)];
    return SlowCall(duration, call == SIM_READ_PIN ? duration / 2 : duration);
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
