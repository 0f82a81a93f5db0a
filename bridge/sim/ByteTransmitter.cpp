#include "ByteTransmitter.h"

#include <utility>

namespace sim {

void ByteTransmitter::load(std::vector<unsigned char> frame)
{
    bytes = std::move(frame);
    next = 0;
}

void ByteTransmitter::clear()
{
    bytes.clear();
    next = 0;
}

bool ByteTransmitter::nextBit()
{
    if (!pending())
        return true;
    const unsigned char byte = bytes[next / 8];
    const int shift = 7 - static_cast<int>(next % 8);
    ++next;
    return ((byte >> shift) & 1) != 0;
}

} // namespace sim
