#pragma once

#include <cstdint>

// The six bytes the detector exchanges with the link: a marker, then the settings in wire order.
struct DetectorConfig
{
    static constexpr std::uint8_t replyMarker = 0x53;

    std::uint8_t marker;
    std::uint8_t flags;
    std::int8_t angle;
    std::int8_t level1;
    std::int8_t level2;
    std::int8_t level3;

    static DetectorConfig fromBytes(const char *bytes)
    {
        return {std::uint8_t(bytes[0]), std::uint8_t(bytes[1]), std::int8_t(bytes[2]),
            std::int8_t(bytes[3]), std::int8_t(bytes[4]), std::int8_t(bytes[5])};
    }
};

static_assert(sizeof(DetectorConfig) == 6, "DetectorConfig is a six-byte record");
