#include "Mcp2200Chip.h"

#include "DetectorLine.h"
#include "TraceLog.h"

namespace vcable {

namespace {

constexpr std::uint8_t bit(unsigned int pin)
{
    return static_cast<std::uint8_t>(1u << pin);
}

constexpr bool isHigh(std::uint8_t levels, unsigned int pin)
{
    return (levels & bit(pin)) != 0;
}

// The pins whose alternative function the alternative-pin byte switches on: SSPND on GP0,
// USBCFG on GP1, the Rx LED on GP6, the Tx LED on GP7. The GPIO commands leave them alone.
std::uint8_t alternativePins(std::uint8_t altPins)
{
    std::uint8_t pins = 0;
    if ((altPins & 0x80) != 0)
        pins |= bit(0);
    if ((altPins & 0x40) != 0)
        pins |= bit(1);
    if ((altPins & 0x08) != 0)
        pins |= bit(6);
    if ((altPins & 0x04) != 0)
        pins |= bit(7);
    return pins;
}

} // namespace

Mcp2200Chip::Mcp2200Chip(DetectorLine &line, TraceLog &trace, const Settings &stored)
    : line(line)
    , trace(trace)
    , stored(stored)
{
    shown = levels();
    line.reset(isHigh(shown, clockPin));
}

void Mcp2200Chip::powerUp(std::uint64_t nanoseconds)
{
    catchUp(nanoseconds);
    drive(nanoseconds, [&] {
        powered = true;
        directions = stored.directions;
        latches = stored.defaults;
    });
}

void Mcp2200Chip::powerDown(std::uint64_t nanoseconds)
{
    catchUp(nanoseconds);
    drive(nanoseconds, [&] { powered = false; });
}

std::optional<Mcp2200Chip::Report> Mcp2200Chip::take(
    const Report &report, std::uint64_t nanoseconds)
{
    catchUp(nanoseconds);
    if (!powered)
        return std::nullopt;
    switch (report[0]) {
    case readAllCommand:
        return readAll();
    case configureCommand:
        configure(report, nanoseconds);
        return std::nullopt;
    case setClearOutputsCommand:
        setClear(report[11], report[12], nanoseconds);
        return std::nullopt;
    case readEeCommand: {
        eeAddress = report[1];
        Report answer {};
        answer[0] = readEeCommand;
        answer[1] = eeAddress;
        answer[3] = eeprom[eeAddress];
        return answer;
    }
    case writeEeCommand:
        eeAddress = report[1];
        eeprom[eeAddress] = report[2];
        return std::nullopt;
    default:
        // The chip answers no other command.
        return std::nullopt;
    }
}

void Mcp2200Chip::catchUp(std::uint64_t nanoseconds)
{
    const std::uint8_t now = levels();
    if (const auto edge = line.catchUp(nanoseconds, isHigh(now, clockPin), isHigh(now, dataOutPin)))
        showPins(*edge);
    // The detector let go of GP4 when taken away.
    showPins(nanoseconds);
}

std::uint8_t Mcp2200Chip::levels() const
{
    // Undriven lines are pulled up, but for the detector's output on GP4.
    std::uint8_t wires = 0xFF;
    if (!line.dataFromDetector())
        wires = static_cast<std::uint8_t>(wires & ~bit(dataInPin));
    if (!powered)
        return wires;
    const std::uint8_t driven = gpioOutputs();
    const std::uint8_t alternative = alternativePins(stored.altPins);
    // An alternative function idles high: LEDs off, USB configured, not suspended.
    return static_cast<std::uint8_t>((latches & driven) | (wires & ~driven) | alternative);
}

Mcp2200Chip::Report Mcp2200Chip::readAll() const
{
    Report answer {};
    answer[0] = readAllCommand;
    answer[1] = eeAddress;
    answer[3] = eeprom[eeAddress];
    answer[4] = stored.directions;
    answer[5] = stored.altPins;
    answer[6] = stored.defaults;
    answer[7] = stored.altOptions;
    answer[8] = static_cast<std::uint8_t>(stored.divisor >> 8);
    answer[9] = static_cast<std::uint8_t>(stored.divisor & 0xFF);
    answer[10] = levels();
    return answer;
}

void Mcp2200Chip::configure(const Report &report, std::uint64_t nanoseconds)
{
    stored.directions = report[4];
    stored.altPins = report[5];
    stored.defaults = report[6];
    stored.altOptions = report[7];
    stored.divisor = static_cast<std::uint16_t>(report[8] << 8 | report[9]);
    ++configures;
    trace.line(nanoseconds, "configure dirs=%02X alt=%02X defaults=%02X options=%02X divisor=%04X",
        stored.directions, stored.altPins, stored.defaults, stored.altOptions, stored.divisor);
    // The new directions act at once, and every output latch is cleared.
    drive(nanoseconds, [&] {
        directions = stored.directions;
        latches = 0;
    });
}

void Mcp2200Chip::setClear(std::uint8_t set, std::uint8_t clear, std::uint64_t nanoseconds)
{
    const std::uint8_t movable = gpioOutputs();
    drive(nanoseconds, [&] {
        latches = static_cast<std::uint8_t>((latches | (set & movable)) & ~(clear & movable));
    });
}

std::uint8_t Mcp2200Chip::gpioOutputs() const
{
    return static_cast<std::uint8_t>(~directions & ~alternativePins(stored.altPins));
}

template<typename Change> void Mcp2200Chip::drive(std::uint64_t nanoseconds, Change change)
{
    const std::uint8_t before = levels();
    change();
    const std::uint8_t after = levels();
    showPins(nanoseconds);
    const bool clockFell = isHigh(before, clockPin) && !isHigh(after, clockPin);
    const bool dataFell = isHigh(before, dataOutPin) && !isHigh(after, dataOutPin);
    if (((before ^ after) & (bit(clockPin) | bit(dataOutPin))) == 0)
        return;
    line.moved(
        nanoseconds, isHigh(after, clockPin), isHigh(after, dataOutPin), clockFell, dataFell);
    // An ideal detector has answered the edge on GP4 at the same moment.
    showPins(nanoseconds);
}

void Mcp2200Chip::showPins(std::uint64_t nanoseconds)
{
    const std::uint8_t now = levels();
    for (unsigned int pin = 0; pin < 8; ++pin)
        if (((now ^ shown) & bit(pin)) != 0)
            trace.line(nanoseconds, "pin GP%u %d", pin, isHigh(now, pin) ? 1 : 0);
    shown = now;
}

} // namespace vcable
