#include "ByteReceiver.h"

namespace sim {

bool ByteReceiver::push(bool bit)
{
    shift = static_cast<unsigned char>((shift << 1) | (bit ? 1 : 0));
    if (++bits < 8)
        return false;
    byte = shift;
    clear();
    return true;
}

void ByteReceiver::clear()
{
    shift = 0;
    bits = 0;
}

} // namespace sim
