#pragma once

#include "Mcp2200Fault.h"

#include <cstdint>
#include <string>

// What the bridge's entry points need from a way of reaching the chip. The kernel's GPIO
// character device and hidraw each implement it; tests put fakes behind it.

// What a traffic LED pin does, as ConfigureMCP2200's rxLedMode and txLedMode give it, numbered
// as the maker's library numbers them (it has no mode 2).
enum class Mcp2200LedMode : unsigned {
    Off = 0, // the pin stays a GPIO pin
    On = 1, // blinks on traffic, at the speed the chip has
    Toggle = 3, // changes state on traffic
    BlinkSlow = 4,
    BlinkFast = 5,
};

// The optional pin functions that ConfigureMCP2200 switches on or off.
struct Mcp2200AltFunctions
{
    Mcp2200LedMode rxLed = Mcp2200LedMode::Off;
    Mcp2200LedMode txLed = Mcp2200LedMode::Off;
    bool hardwareFlow = false;
    bool usbConfigured = false;
    bool suspend = false;
};

class Mcp2200Transport
{
public:
    virtual ~Mcp2200Transport() = default;

    // The device node it works through (/dev/gpiochipN, /dev/hidrawN), empty when unknown.
    virtual std::string deviceNode() const { return {}; }
    // True when the chip answers right now.
    virtual bool isAlive() = 0;
    // True once the device has gone away (unplugged): only opening it anew can help.
    virtual bool isLost() const = 0;
    // True when the last call failed because the chip did not answer in time: the calls of a
    // running frame should then not wait for it again.
    virtual bool isSilent() const { return false; }
    // Why the last call failed, where the transport knows better than "lost" or "silent" (an
    // errno of its own); Kind::None otherwise.
    virtual Mcp2200Fault failure() const { return {}; }
    // pin is 0..7; the caller has checked it.
    virtual bool writePin(unsigned pin, bool high) = 0;
    virtual bool readPin(unsigned pin, bool &high) = 0;
    // ioMap: bit n set = pin n is an input.
    virtual bool setDirections(std::uint8_t ioMap) = 0;
    virtual bool setBaudRate(unsigned long baudRate) = 0;
    virtual bool configure(
        std::uint8_t ioMap, unsigned long baudRate, const Mcp2200AltFunctions &alt)
        = 0;
};
