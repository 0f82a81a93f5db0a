#include "VirtualBridge.h"

#include "VirtualDetector.h"

namespace sim {

VirtualBridge::VirtualBridge(VirtualDetector &detector)
    : detector(detector)
{
    reset();
}

void VirtualBridge::reset()
{
    opened = false;
    mask = 0xFF;
    latches = 0xFF;
    baudRate = defaultBaudRate;
    resyncClock();
}

void VirtualBridge::open(unsigned int vendorId, unsigned int productId)
{
    opened = vendorId == chipVendorId && productId == chipProductId;
}

bool VirtualBridge::configure(unsigned char directions, std::uint64_t nanoseconds)
{
    if (!opened)
        return false;
    mask = directions;
    reportClockEdge(nanoseconds);
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

bool VirtualBridge::drive(unsigned int pin, bool level, std::uint64_t nanoseconds)
{
    if (!opened || pin >= pinCount || isInput(pin))
        return false;
    const unsigned char bit = static_cast<unsigned char>(1u << pin);
    latches = static_cast<unsigned char>(level ? (latches | bit) : (latches & ~bit));
    reportClockEdge(nanoseconds);
    return true;
}

bool VirtualBridge::read(unsigned int pin, unsigned int *value) const
{
    if (!opened || pin >= pinCount || value == nullptr)
        return false;
    *value = lineLevel(pin) ? 1u : 0u;
    return true;
}

bool VirtualBridge::lineLevel(unsigned int pin) const
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

void VirtualBridge::reportClockEdge(std::uint64_t nanoseconds)
{
    const bool level = lineLevel(clockPin);
    if (level == clockLevel)
        return;
    clockLevel = level;
    detector.clockEdge(level, lineLevel(dataToDetectorPin), nanoseconds);
}

} // namespace sim
