#include "ByteTransmitter.h"

#include <utility>

namespace sim {

void ByteTransmitter::load(std::vector<unsigned char> bytes)
{
    m_bytes = std::move(bytes);
    m_next = 0;
}

void ByteTransmitter::clear()
{
    m_bytes.clear();
    m_next = 0;
}

bool ByteTransmitter::nextBit()
{
    if (!pending())
        return true;
    const unsigned char byte = m_bytes[m_next / 8];
    const int shift = 7 - static_cast<int>(m_next % 8);
    ++m_next;
    return ((byte >> shift) & 1) != 0;
}

} // namespace sim
