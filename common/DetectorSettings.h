#pragma once

#include <array>
#include <cstdint>

// The five settings as the main window holds them; the link reads them through a pointer.
struct DetectorSettings
{
    std::int8_t level1;
    std::int8_t level2;
    std::int8_t level3;
    std::int8_t angle;
    std::uint8_t flags;

    // The order in which a write frame carries them, after its command byte.
    std::array<std::uint8_t, 5> wireBytes() const
    {
        return {flags, std::uint8_t(angle), std::uint8_t(level1), std::uint8_t(level2),
            std::uint8_t(level3)};
    }
};

static_assert(sizeof(DetectorSettings) == 5, "DetectorSettings is a five-byte block");
