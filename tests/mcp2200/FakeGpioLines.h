#pragma once

#include "GpioLineIo.h"

#include <array>
#include <string>
#include <vector>

// The line ioctls of a GPIO chip with eight lines, recorded; outputs hold what is written,
// inputs read `inputLevels`.
class FakeGpioLines : public GpioLineIo
{
public:
    ~FakeGpioLines() override;

    bool request(gpio_v2_line_request &request) override;
    bool setValues(gpio_v2_line_values &values) override;
    bool getValues(gpio_v2_line_values &values) override;
    void release() override;
    int requestError() const override { return lastRequestError; }
    std::string lineConsumer(unsigned line) override;

    // Level of a line as the chip drives or sees it.
    bool level(unsigned line) const;

    std::uint8_t inputLevels = 0;
    bool failRequests = false;
    int failError = EIO;
    // What the kernel's line info names as each line's consumer.
    std::array<std::string, 8> consumers;
    bool unplugged = false;
    // Set when the transport lets go of the chip.
    bool *destroyed = nullptr;

    std::vector<std::string> calls;
    std::vector<gpio_v2_line_request> requests;
    std::vector<gpio_v2_line_values> writes;
    std::vector<gpio_v2_line_values> reads;

private:
    bool isOutput(unsigned index) const;

    bool held = false;
    int lastRequestError = 0;
    gpio_v2_line_request current {};
    std::uint8_t outputLevels = 0;
};
