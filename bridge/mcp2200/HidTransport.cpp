#include "HidTransport.h"

namespace {

// Bits of the alternative-pin byte and of the alternative-options byte.
constexpr std::uint8_t altTxLed = 1u << 2;
constexpr std::uint8_t altRxLed = 1u << 3;
constexpr std::uint8_t altUsbConfig = 1u << 6;
constexpr std::uint8_t altSuspend = 1u << 7;
constexpr std::uint8_t optionHardwareFlow = 1u << 0;
constexpr std::uint8_t optionSlowBlink = 1u << 5;
constexpr std::uint8_t optionTxToggle = 1u << 6;
constexpr std::uint8_t optionRxToggle = 1u << 7;

constexpr unsigned long divisorClock = 12000000;

std::uint8_t withBit(std::uint8_t byte, std::uint8_t bit, bool on)
{
    return on ? static_cast<std::uint8_t>(byte | bit) : static_cast<std::uint8_t>(byte & ~bit);
}

// A LED's mode as the alternative-pin bit, its toggle bit and the shared blink-speed bit; a mode
// leaves alone the bits it does not speak of.
void applyLedMode(HidTransport::Settings &settings, Mcp2200LedMode mode, std::uint8_t pinBit,
    std::uint8_t toggleBit)
{
    settings.altPins = withBit(settings.altPins, pinBit, mode != Mcp2200LedMode::Off);
    if (mode == Mcp2200LedMode::Off)
        return;
    settings.altOptions = withBit(settings.altOptions, toggleBit, mode == Mcp2200LedMode::Toggle);
    if (mode == Mcp2200LedMode::BlinkSlow || mode == Mcp2200LedMode::BlinkFast)
        settings.altOptions
            = withBit(settings.altOptions, optionSlowBlink, mode == Mcp2200LedMode::BlinkSlow);
}

} // namespace

HidTransport::HidTransport(std::unique_ptr<HidDevice> device, std::string node)
    : device(std::move(device))
    , node(std::move(node))
{ }

bool HidTransport::divisorFor(unsigned long baudRate, std::uint16_t &divisor)
{
    if (baudRate == 0 || baudRate > divisorClock)
        return false;
    const unsigned long value = divisorClock / baudRate - 1;
    if (value > 0xFFFF)
        return false;
    divisor = static_cast<std::uint16_t>(value);
    return true;
}

bool HidTransport::isAlive()
{
    Settings settings;
    return readAll(settings);
}

bool HidTransport::writePin(unsigned pin, bool high)
{
    const auto bit = static_cast<std::uint8_t>(1u << pin);
    return high ? sendSetClear(bit, 0) : sendSetClear(0, bit);
}

bool HidTransport::readPin(unsigned pin, bool &high)
{
    Settings settings;
    if (!readAll(settings))
        return false;
    high = (settings.levels >> pin) & 1u;
    return true;
}

bool HidTransport::setDirections(std::uint8_t ioMap)
{
    return reconfigure([ioMap](Settings &settings) { settings.directions = ioMap; });
}

bool HidTransport::setBaudRate(unsigned long baudRate)
{
    std::uint16_t divisor = 0;
    return divisorFor(baudRate, divisor)
        && reconfigure([divisor](Settings &settings) { settings.divisor = divisor; });
}

bool HidTransport::configure(
    std::uint8_t ioMap, unsigned long baudRate, const Mcp2200AltFunctions &alt)
{
    std::uint16_t divisor = 0;
    return divisorFor(baudRate, divisor) && reconfigure([&](Settings &settings) {
        settings.directions = ioMap;
        settings.divisor = divisor;
        applyLedMode(settings, alt.rxLed, altRxLed, optionRxToggle);
        applyLedMode(settings, alt.txLed, altTxLed, optionTxToggle);
        settings.altPins = withBit(settings.altPins, altUsbConfig, alt.usbConfigured);
        settings.altPins = withBit(settings.altPins, altSuspend, alt.suspend);
        settings.altOptions = withBit(settings.altOptions, optionHardwareFlow, alt.hardwareFlow);
    });
}

bool HidTransport::reconfigure(const std::function<void(Settings &)> &change)
{
    Settings chip;
    if (!readAll(chip))
        return false;
    Settings settings = chip;
    change(settings);
    // Each CONFIGURE writes the chip's non-volatile memory and drops its outputs for a moment:
    // settings it already has are not written again.
    if (settings.directions == chip.directions && settings.altPins == chip.altPins
        && settings.defaults == chip.defaults && settings.altOptions == chip.altOptions
        && settings.divisor == chip.divisor)
        return true;
    return sendConfigure(settings);
}

bool HidTransport::readAll(Settings &settings)
{
    dropStaleAnswers();
    HidDevice::Report request {};
    request[0] = readAllCommand;
    if (!send(request))
        return false;
    HidDevice::Report answer {};
    const int size = receive(answer, answerTimeoutMs);
    if (size != static_cast<int>(answer.size()) || answer[0] != readAllCommand) {
        silent = !lost && lastFailure.kind == Mcp2200Fault::Kind::None;
        return false;
    }
    settings.directions = answer[4];
    settings.altPins = answer[5];
    settings.defaults = answer[6];
    settings.altOptions = answer[7];
    settings.divisor = static_cast<std::uint16_t>(answer[8] << 8 | answer[9]);
    settings.levels = answer[10];
    return true;
}

bool HidTransport::sendSetClear(std::uint8_t set, std::uint8_t clear)
{
    HidDevice::Report report {};
    report[0] = setClearOutputsCommand;
    report[11] = set;
    report[12] = clear;
    return send(report);
}

bool HidTransport::sendConfigure(const Settings &settings)
{
    HidDevice::Report report {};
    report[0] = configureCommand;
    report[4] = settings.directions;
    report[5] = settings.altPins;
    report[6] = settings.defaults;
    report[7] = settings.altOptions;
    report[8] = static_cast<std::uint8_t>(settings.divisor >> 8);
    report[9] = static_cast<std::uint8_t>(settings.divisor & 0xFF);
    if (!send(report))
        return false;
    // CONFIGURE puts the outputs back to their defaults: drive them again as they were.
    const auto outputs = static_cast<std::uint8_t>(~settings.directions);
    return sendSetClear(static_cast<std::uint8_t>(settings.levels & outputs),
        static_cast<std::uint8_t>(~settings.levels & outputs));
}

void HidTransport::dropStaleAnswers()
{
    // An answer that came after an earlier time-out must not be taken for the next one.
    HidDevice::Report stale {};
    for (int i = 0; i < 8 && receive(stale, 0) > 0; ++i) { }
}

bool HidTransport::send(const HidDevice::Report &report)
{
    // A failed write, unlike a missing answer, means the device is gone, unless the system names
    // another error; one that did not go out in time, a chip that does not take reports.
    lastFailure = {};
    const int sent = device->write(report);
    if (sent < 0)
        noteError();
    silent = !lost && sent >= 0 && sent < reportBytesOut;
    return !lost && sent >= reportBytesOut;
}

int HidTransport::receive(HidDevice::Report &report, int timeoutMs)
{
    const int size = device->read(report, timeoutMs);
    if (size < 0)
        noteError();
    return size;
}

void HidTransport::noteError()
{
    // Only a device gone away is lost; another error the system names fails the call with it.
    const int error = device->lastError();
    lastFailure = error != 0 ? Mcp2200Fault::refused(node, error) : Mcp2200Fault();
    if (error == 0 || Mcp2200Fault::transferKind(error) == Mcp2200Fault::Kind::Lost) {
        lastFailure = {};
        lost = true;
    }
}
