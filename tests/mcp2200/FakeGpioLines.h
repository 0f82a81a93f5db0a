#pragma once

#include "GpioLineIo.h"

#include <array>
#include <atomic>
#include <string>
#include <vector>

// The line ioctls of the kernel's MCP2200 driver under gpiolib, and the chip behind it,
// recorded. gpiolib sets directions in request order, one by one, for the lines that carry a
// direction flag, and takes the others as the driver has them; the driver sets each one with
// READ_ALL, a CONFIGURE of all eight from its cache (which starts as all outputs, all low), and
// a SET_CLEAR of every output from its cache of levels. The chip, on a CONFIGURE, takes the new
// directions and clears every output; a SET_CLEAR moves only its outputs. Inputs read
// `inputLevels`.
class FakeGpioLines : public GpioLineIo
{
public:
    ~FakeGpioLines() override;

    bool request(gpio_v2_line_request &request) override;
    bool setConfig(gpio_v2_line_config &config) override;
    bool setValues(gpio_v2_line_values &values) override;
    bool getValues(gpio_v2_line_values &values) override;
    void release() override;
    int lastError() const override { return error; }
    bool lineInfo(gpio_v2_line_info &info) override;

    // Level of a line as the chip drives or sees it.
    bool level(unsigned line) const;
    // The line's index in the held request, -1 when not held.
    int indexOf(unsigned line) const;
    // Whether gpiolib takes the line as an output.
    bool isOutput(unsigned line) const { return (isOut >> line) & 1u; }

    std::uint8_t inputLevels = 0;
    bool failRequests = false;
    int failError = EIO;
    // What the kernel's line info names as each line's consumer.
    std::array<std::string, 8> consumers;
    bool unplugged = false;
    // What the driver's setters give gpiolib: 0, or the errno a direction set to an output and
    // every set then fail with (EBADE on Linux 6.16 and later, after doing their work).
    int setterError = 0;
    // The chip does not answer: each report to it takes this long, and READ_ALL then fails
    // with ETIMEDOUT.
    std::atomic<int> silentMs {0};
    // The driver's caches: directions (bit set = input) and levels; and the chip's own.
    std::uint8_t directions = 0x00;
    std::uint8_t values = 0x00;
    std::uint8_t chipDirections = 0xFF;
    std::uint8_t chipLatch = 0x00;
    // What each CONFIGURE wrote; how often the link's lines 2 and 3 fell when nobody asked them
    // to go low, and how many reports went to the chip while one of them was down so.
    std::vector<std::uint8_t> configured;
    int unaskedFalls = 0;
    int lowReports = 0;
    // Set when the transport lets go of the chip.
    bool *destroyed = nullptr;

    // Every ioctl that reached the chip's driver, counted where a stuck one may be running.
    std::atomic<int> ioctls {0};
    std::vector<std::string> calls;
    std::vector<gpio_v2_line_request> requests;
    std::vector<gpio_v2_line_config> configs;
    std::vector<gpio_v2_line_values> writes;
    std::vector<gpio_v2_line_values> reads;

private:
    std::uint64_t lineFlags(const gpio_v2_line_config &config, unsigned index) const;
    bool outputValue(const gpio_v2_line_config &config, unsigned index) const;
    // gpiolib's direction setting for one line; 0 or an errno.
    bool usable();
    int setDirection(unsigned line, std::uint64_t flags, bool value);
    int readAll();
    int setMultiple(std::uint8_t mask, std::uint8_t bits);
    void chipChange(std::uint8_t newDirections, std::uint8_t newLatch, std::uint8_t asked);
    // One report to the chip; true when it goes unanswered.
    bool report();

    bool held = false;
    int error = 0;
    std::uint8_t isOut = 0;
    // Lines the current ioctl was asked to drive low.
    std::uint8_t askedLow = 0;
    std::uint8_t fallen = 0;
    gpio_v2_line_request current {};
};
