#pragma once

#include "GpioLineIo.h"

#include <array>
#include <string>
#include <vector>

// The line ioctls of a GPIO chip with eight lines, recorded; outputs hold what is written,
// inputs read `inputLevels`. Behaves as the kernel's MCP2200 driver does: it sets the lines up
// one by one in request order, each direction a CONFIGURE of all eight from a cache that starts
// as all outputs, and lines requested without a direction keep the cached one.
class FakeGpioLines : public GpioLineIo
{
public:
    ~FakeGpioLines() override;

    bool request(gpio_v2_line_request &request) override;
    bool setValues(gpio_v2_line_values &values) override;
    bool getValues(gpio_v2_line_values &values) override;
    void release() override;
    int lastError() const override { return error; }
    std::string lineConsumer(unsigned line) override;

    // Level of a line as the chip drives or sees it.
    bool level(unsigned line) const;

    std::uint8_t inputLevels = 0;
    bool failRequests = false;
    int failError = EIO;
    // What the kernel's line info names as each line's consumer.
    std::array<std::string, 8> consumers;
    bool unplugged = false;
    // What the driver's setters give gpiolib: 0, or the errno a request with an output and
    // every set then fail with (EBADE on Linux 6.16 and later, after doing their work).
    int setterError = 0;
    // The driver's direction cache (bit set = input), and what each CONFIGURE wrote.
    std::uint8_t directions = 0x00;
    std::vector<std::uint8_t> configured;
    // Set when the transport lets go of the chip.
    bool *destroyed = nullptr;

    std::vector<std::string> calls;
    std::vector<gpio_v2_line_request> requests;
    std::vector<gpio_v2_line_values> writes;
    std::vector<gpio_v2_line_values> reads;

private:
    bool isOutput(unsigned index) const;
    std::uint64_t lineFlags(const gpio_v2_line_request &request, unsigned index) const;

    bool held = false;
    int error = 0;
    gpio_v2_line_request current {};
    std::uint8_t outputLevels = 0;
};
