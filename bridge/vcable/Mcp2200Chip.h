#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace vcable {

class DetectorLine;
class TraceLog;

// The MCP2200's GPIO side as its HID commands see it: the settings in its non-volatile memory,
// the 256 bytes of user EEPROM, the pins' directions and output latches, and the detector on
// GP2 (clock out), GP3 (data out) and GP4 (data in). Every call takes the moment it acts at.
class Mcp2200Chip
{
public:
    using Report = std::array<std::uint8_t, 16>;

    static constexpr std::uint8_t setClearOutputsCommand = 0x08;
    static constexpr std::uint8_t configureCommand = 0x10;
    static constexpr std::uint8_t readEeCommand = 0x20;
    static constexpr std::uint8_t writeEeCommand = 0x40;
    static constexpr std::uint8_t readAllCommand = 0x80;
    static constexpr unsigned int clockPin = 2;
    static constexpr unsigned int dataOutPin = 3;
    static constexpr unsigned int dataInPin = 4;

    // The non-volatile settings, as CONFIGURE writes them and READ_ALL returns them.
    struct Settings
    {
        std::uint8_t directions = 0xFF; // bit set = input
        std::uint8_t altPins = 0x00;
        std::uint8_t defaults = 0x00; // output levels at power-up
        std::uint8_t altOptions = 0x00;
        std::uint16_t divisor = 1249; // 9600 baud from the 12 MHz clock
    };

    Mcp2200Chip(DetectorLine &line, TraceLog &trace, const Settings &stored);

    // Plugged in: directions and latches from the non-volatile settings. Pulled out: every pin
    // undriven.
    void powerUp(std::uint64_t nanoseconds);
    void powerDown(std::uint64_t nanoseconds);
    bool isPowered() const { return powered; }

    // Acts on one output report; the input report the chip answers with, if any.
    std::optional<Report> take(const Report &report, std::uint64_t nanoseconds);
    // Lets the detector act up to that moment (before anything else is traced at it).
    void catchUp(std::uint64_t nanoseconds);

    const Settings &storedSettings() const { return stored; }
    // Pin levels as READ_ALL reports them.
    std::uint8_t levels() const;
    unsigned int configureCount() const { return configures; }
    void clearCounts() { configures = 0; }

private:
    Report readAll() const;
    void configure(const Report &report, std::uint64_t nanoseconds);
    void setClear(std::uint8_t set, std::uint8_t clear, std::uint64_t nanoseconds);
    std::uint8_t gpioOutputs() const;
    // Applies a change of directions or latches: traces the pins and moves the detector's lines.
    template<typename Change> void drive(std::uint64_t nanoseconds, Change change);
    void showPins(std::uint64_t nanoseconds);

    DetectorLine &line;
    TraceLog &trace;
    Settings stored;
    std::array<std::uint8_t, 256> eeprom {};
    std::uint8_t eeAddress = 0;
    bool powered = false;
    std::uint8_t directions = 0xFF;
    std::uint8_t latches = 0x00;
    std::uint8_t shown = 0xFF; // the levels last traced
    unsigned int configures = 0;
};

} // namespace vcable
