#pragma once

namespace sim {

// Shifts bits in, most significant first, and yields a byte after every eighth bit.
class ByteReceiver
{
public:
    // Takes one bit; returns true when it completed a byte, which byte() then holds.
    bool push(bool bit);
    unsigned char byte() const { return m_byte; }
    // True while some but not all bits of a byte have arrived.
    bool partial() const { return m_bits > 0; }
    void clear();

private:
    unsigned char m_shift = 0;
    unsigned char m_byte = 0;
    int m_bits = 0;
};

} // namespace sim
