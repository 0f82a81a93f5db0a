#pragma once

#include <cstdint>

namespace sim {

class VirtualDetector;

// The USB bridge's eight general-purpose pins: a direction mask (bit n set = pin n is an
// input), an output latch per pin, and the detector wired to pins 2, 3 and 4.
class VirtualBridge
{
public:
    static constexpr unsigned int kPinCount = 8;
    static constexpr unsigned int kClockPin = 2;
    static constexpr unsigned int kDataToDetectorPin = 3;
    static constexpr unsigned int kDataFromDetectorPin = 4;
    static constexpr unsigned int kVendorId = 0x04D8;
    static constexpr unsigned int kProductId = 0x00DF;
    static constexpr unsigned long kDefaultBaudRate = 9600;

    explicit VirtualBridge(VirtualDetector &detector);

    // Not opened, every pin an input, latches high.
    void reset();
    // Opens the bridge if the IDs are the chip's; any other IDs leave nothing open.
    void open(unsigned int vendorId, unsigned int productId);
    bool isOpen() const { return m_open; }

    bool configure(unsigned char mask, std::uint64_t nanoseconds);
    // Full set-up: the mask, and the UART baud rate as given.
    bool configure(unsigned char mask, unsigned long baudRate, std::uint64_t nanoseconds);
    bool setBaudRate(long baudRate);
    bool drive(unsigned int pin, bool level, std::uint64_t nanoseconds);
    bool read(unsigned int pin, unsigned int *value) const;

    // Level of a line as the bridge sees it: an output shows its latch, an input the wire.
    bool lineLevel(unsigned int pin) const;
    unsigned char mask() const { return m_mask; }
    unsigned long baudRate() const { return m_baudRate; }

    // Call after anything outside the bridge changed the lines (the detector reset).
    void resyncClock() { m_clockLevel = lineLevel(kClockPin); }

private:
    bool isInput(unsigned int pin) const { return ((m_mask >> pin) & 1) != 0; }
    bool wireLevel(unsigned int pin) const;
    void reportClockEdge(std::uint64_t nanoseconds);

    VirtualDetector &m_detector;
    bool m_open = false;
    unsigned char m_mask = 0xFF;
    unsigned char m_latches = 0xFF;
    unsigned long m_baudRate = kDefaultBaudRate;
    bool m_clockLevel = true;
};

} // namespace sim
