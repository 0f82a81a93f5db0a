#pragma once

#include "GpioLineIo.h"

#include <cstdint>

class FuzzBytes;

// The GPIO chip's line ioctls, each granted or refused as the fuzzer's input says, reading
// levels from the input. It checks that every request and every value set it is handed is one
// the kernel could take for the held lines.
class FuzzGpioLines : public GpioLineIo
{
public:
    struct Seen
    {
        gpio_v2_line_request held {};
        bool holding = false;
        std::uint64_t lastReadMask = 0;
        std::uint64_t lastReadBits = 0;
        // The driver's directions by line (bit set: output); it starts with every line one.
        std::uint8_t outputs = 0xFF;
    };

    FuzzGpioLines(FuzzBytes &in, Seen &seen);
    ~FuzzGpioLines() override;

    bool request(gpio_v2_line_request &request) override;
    bool setConfig(gpio_v2_line_config &config) override;
    bool setValues(gpio_v2_line_values &values) override;
    bool getValues(gpio_v2_line_values &values) override;
    void release() override;
    bool lineInfo(gpio_v2_line_info &info) override;

private:
    bool granted();
    // Takes the directions a config gives the held lines; lines without one keep theirs.
    void apply(const gpio_v2_line_config &config);
    bool isOutput(unsigned index) const;
    std::uint64_t heldMask() const;

    FuzzBytes &in;
    Seen &seen;
};
