#pragma once

#include "HidDevice.h"
#include "Mcp2200Transport.h"

#include <functional>
#include <memory>
#include <string>

// The chip's own HID commands (SET_CLEAR_OUTPUTS, CONFIGURE, READ_ALL) over hidraw.
class HidTransport : public Mcp2200Transport
{
public:
    static constexpr std::uint8_t setClearOutputsCommand = 0x08;
    static constexpr std::uint8_t configureCommand = 0x10;
    static constexpr std::uint8_t readAllCommand = 0x80;
    // How long an answer is waited for; none within it means the chip does not answer. A chip
    // answers within a frame or two, but a loaded machine can hold the reader back for longer,
    // as the GPIO path's waits allow for.
    static constexpr int answerTimeoutMs = 250;
    // A whole report and its leading report number.
    static constexpr int reportBytesOut = 17;

    explicit HidTransport(std::unique_ptr<HidDevice> device, std::string node = {});

    std::string deviceNode() const override { return node; }
    bool isAlive() override;
    bool isLost() const override { return lost; }
    bool isSilent() const override { return silent; }
    Mcp2200Fault failure() const override { return lastFailure; }
    bool writePin(unsigned pin, bool high) override;
    bool readPin(unsigned pin, bool &high) override;
    bool setDirections(std::uint8_t ioMap) override;
    bool setBaudRate(unsigned long baudRate) override;
    bool configure(
        std::uint8_t ioMap, unsigned long baudRate, const Mcp2200AltFunctions &alt) override;

    // The chip's divisor for a baud rate; false when the rate cannot be set.
    static bool divisorFor(unsigned long baudRate, std::uint16_t &divisor);

    // The settings bytes of CONFIGURE and of the READ_ALL answer, as they sit in both reports.
    struct Settings
    {
        std::uint8_t directions;
        std::uint8_t altPins;
        std::uint8_t defaults;
        std::uint8_t altOptions;
        std::uint16_t divisor;
        std::uint8_t levels;
    };

private:
    bool readAll(Settings &settings);
    bool sendSetClear(std::uint8_t set, std::uint8_t clear);
    // Reads the chip's settings, changes them, and writes them back if they changed.
    bool reconfigure(const std::function<void(Settings &)> &change);
    bool sendConfigure(const Settings &settings);
    void dropStaleAnswers();
    bool send(const HidDevice::Report &report);
    int receive(HidDevice::Report &report, int timeoutMs);
    void noteError();

    std::unique_ptr<HidDevice> device;
    std::string node;
    bool lost = false;
    bool silent = false;
    Mcp2200Fault lastFailure;
};
