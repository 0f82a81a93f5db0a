#pragma once

#include <cstdint>

// One saved slot of the configuration file: a tag of 0x55 marks it as holding values.
struct SavedRecord
{
    std::uint8_t tag;
    std::uint8_t value1;
    std::uint8_t value2;
};
