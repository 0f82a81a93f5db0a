#include "VirtualBridge.h"

#include "VirtualDetector.h"

namespace sim {

VirtualBridge::VirtualBridge(VirtualDetector &detector)
    : detector(detector)
    , sampler(detector)
{
    reset();
}

void VirtualBridge::reset()
{
    opened = false;
    mask = 0xFF;
    latches = 0xFF;
    baudRate = defaultBaudRate;
    sampler.reset(level(clockPin));
}

void VirtualBridge::open(unsigned int vendorId, unsigned int productId)
{
    opened = vendorId == chipVendorId && productId == chipProductId;
}

bool VirtualBridge::configure(unsigned char directions, std::uint64_t nanoseconds)
{
    if (!opened)
        return false;
    advance(nanoseconds);
    mask = directions;
    linesChanged(nanoseconds);
    return true;
}

bool VirtualBridge::configure(
    unsigned char directions, unsigned long uartRate, std::uint64_t nanoseconds)
{
    if (!configure(directions, nanoseconds))
        return false;
    baudRate = uartRate;
    return true;
}

bool VirtualBridge::setBaudRate(long rate)
{
    if (!opened || rate <= 0)
        return false;
    baudRate = static_cast<unsigned long>(rate);
    return true;
}

bool VirtualBridge::drive(unsigned int pin, bool high, std::uint64_t nanoseconds)
{
    if (!opened || pin >= pinCount || isInput(pin))
        return false;
    advance(nanoseconds);
    const unsigned char bit = static_cast<unsigned char>(1u << pin);
    latches = static_cast<unsigned char>(high ? (latches | bit) : (latches & ~bit));
    linesChanged(nanoseconds);
    return true;
}

bool VirtualBridge::read(unsigned int pin, unsigned int *value, std::uint64_t nanoseconds)
{
    if (!opened || pin >= pinCount || value == nullptr)
        return false;
    *value = lineLevel(pin, nanoseconds) ? 1u : 0u;
    return true;
}

bool VirtualBridge::lineLevel(unsigned int pin, std::uint64_t nanoseconds)
{
    advance(nanoseconds);
    return level(pin);
}

void VirtualBridge::setPolling(std::uint64_t periodNanoseconds, std::uint64_t offsetNanoseconds)
{
    sampler.setPolling(periodNanoseconds, offsetNanoseconds);
}

bool VirtualBridge::level(unsigned int pin) const
{
    if (pin >= pinCount)
        return true;
    return isInput(pin) ? wireLevel(pin) : ((latches >> pin) & 1) != 0;
}

bool VirtualBridge::wireLevel(unsigned int pin) const
{
    // Undriven inputs are pulled up.
    return pin == dataFromDetectorPin ? detector.dataOutLevel() : true;
}

void VirtualBridge::advance(std::uint64_t nanoseconds)
{
    sampler.advance(nanoseconds, level(clockPin), level(dataToDetectorPin));
}

void VirtualBridge::linesChanged(std::uint64_t nanoseconds)
{
    sampler.changed(nanoseconds, level(clockPin), level(dataToDetectorPin));
}

} // namespace sim
