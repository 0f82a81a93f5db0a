#include "VirtualBridge.h"

#include "VirtualDetector.h"

namespace sim {

VirtualBridge::VirtualBridge(VirtualDetector &detector)
    : m_detector(detector)
{
    reset();
}

void VirtualBridge::reset()
{
    m_open = false;
    m_mask = 0xFF;
    m_latches = 0xFF;
    m_baudRate = kDefaultBaudRate;
    resyncClock();
}

void VirtualBridge::open(unsigned int vendorId, unsigned int productId)
{
    m_open = vendorId == kVendorId && productId == kProductId;
}

bool VirtualBridge::configure(unsigned char mask, std::uint64_t nanoseconds)
{
    if (!m_open)
        return false;
    m_mask = mask;
    reportClockEdge(nanoseconds);
    return true;
}

bool VirtualBridge::configure(unsigned char mask, unsigned long baudRate, std::uint64_t nanoseconds)
{
    if (!configure(mask, nanoseconds))
        return false;
    m_baudRate = baudRate;
    return true;
}

bool VirtualBridge::setBaudRate(long baudRate)
{
    if (!m_open || baudRate <= 0)
        return false;
    m_baudRate = static_cast<unsigned long>(baudRate);
    return true;
}

bool VirtualBridge::drive(unsigned int pin, bool level, std::uint64_t nanoseconds)
{
    if (!m_open || pin >= kPinCount || isInput(pin))
        return false;
    const unsigned char bit = static_cast<unsigned char>(1u << pin);
    m_latches = static_cast<unsigned char>(level ? (m_latches | bit) : (m_latches & ~bit));
    reportClockEdge(nanoseconds);
    return true;
}

bool VirtualBridge::read(unsigned int pin, unsigned int *value) const
{
    if (!m_open || pin >= kPinCount || value == nullptr)
        return false;
    *value = lineLevel(pin) ? 1u : 0u;
    return true;
}

bool VirtualBridge::lineLevel(unsigned int pin) const
{
    if (pin >= kPinCount)
        return true;
    return isInput(pin) ? wireLevel(pin) : ((m_latches >> pin) & 1) != 0;
}

bool VirtualBridge::wireLevel(unsigned int pin) const
{
    // Undriven inputs are pulled up.
    return pin == kDataFromDetectorPin ? m_detector.dataOut() : true;
}

void VirtualBridge::reportClockEdge(std::uint64_t nanoseconds)
{
    const bool level = lineLevel(kClockPin);
    if (level == m_clockLevel)
        return;
    m_clockLevel = level;
    m_detector.clockEdge(level, lineLevel(kDataToDetectorPin), nanoseconds);
}

} // namespace sim
