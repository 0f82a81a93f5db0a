#include "FuzzBytes.h"

#include <algorithm>

FuzzBytes::FuzzBytes(const std::uint8_t *data, std::size_t size)
    : data(data)
    , size(size)
{ }

std::uint8_t FuzzBytes::byte()
{
    return next < size ? data[next++] : 0;
}

std::uint32_t FuzzBytes::word()
{
    std::uint32_t value = 0;
    for (int shift = 0; shift < 32; shift += 8)
        value |= std::uint32_t(byte()) << shift;
    return value;
}

std::string FuzzBytes::text(std::size_t maxLength)
{
    const std::size_t length = std::min<std::size_t>({byte(), maxLength, left()});
    std::string result(reinterpret_cast<const char *>(data + next), length);
    next += length;
    return result;
}
