#pragma once

#include "ClockSampler.h"

#include <cstdint>

namespace sim {

class VirtualDetector;

// The USB bridge's eight general-purpose pins: a direction mask (bit n set = pin n is an
// input), an output latch per pin, and the detector wired to pins 2, 3 and 4. Every operation
// takes the monotonic time at which it acts on the lines.
class VirtualBridge
{
public:
    static constexpr unsigned int pinCount = 8;
    static constexpr unsigned int clockPin = 2;
    static constexpr unsigned int dataToDetectorPin = 3;
    static constexpr unsigned int dataFromDetectorPin = 4;
    static constexpr unsigned int chipVendorId = 0x04D8;
    static constexpr unsigned int chipProductId = 0x00DF;
    static constexpr unsigned long defaultBaudRate = 9600;

    explicit VirtualBridge(VirtualDetector &detector);

    // Not opened, every pin an input, latches high.
    void reset();
    // Opens the bridge if the IDs are the chip's; any other IDs leave nothing open.
    void open(unsigned int vendorId, unsigned int productId);
    bool isOpen() const { return opened; }

    bool configure(unsigned char directions, std::uint64_t nanoseconds);
    // Full set-up: the mask, and the UART baud rate as given.
    bool configure(unsigned char directions, unsigned long uartRate, std::uint64_t nanoseconds);
    bool setBaudRate(long rate);
    bool drive(unsigned int pin, bool high, std::uint64_t nanoseconds);
    bool read(unsigned int pin, unsigned int *value, std::uint64_t nanoseconds);

    // Level of a line as the bridge sees it: an output shows its latch, an input the wire
    // (the detector's output as its last look before that time left it).
    bool lineLevel(unsigned int pin, std::uint64_t nanoseconds);
    unsigned char directionMask() const { return mask; }
    unsigned long uartBaudRate() const { return baudRate; }

    // Plays the detector's looks up to that time, for an observer.
    void catchUp(std::uint64_t nanoseconds) { advance(nanoseconds); }
    // How the detector notices the clock; ideal after reset().
    void setPolling(std::uint64_t periodNanoseconds, std::uint64_t offsetNanoseconds);

private:
    bool isInput(unsigned int pin) const { return ((mask >> pin) & 1) != 0; }
    bool level(unsigned int pin) const;
    bool wireLevel(unsigned int pin) const;
    // Lets the detector's looks before `nanoseconds` see the lines as they stand.
    void advance(std::uint64_t nanoseconds);
    void linesChanged(std::uint64_t nanoseconds);

    VirtualDetector &detector;
    bool opened = false;
    unsigned char mask = 0xFF;
    unsigned char latches = 0xFF;
    unsigned long baudRate = defaultBaudRate;
    ClockSampler sampler;
};

} // namespace sim
