#include "ByteReceiver.h"

namespace sim {

bool ByteReceiver::push(bool bit)
{
    m_shift = static_cast<unsigned char>((m_shift << 1) | (bit ? 1 : 0));
    if (++m_bits < 8)
        return false;
    m_byte = m_shift;
    clear();
    return true;
}

void ByteReceiver::clear()
{
    m_shift = 0;
    m_bits = 0;
}

} // namespace sim
