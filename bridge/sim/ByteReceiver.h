#pragma once

namespace sim {

// Shifts bits in, most significant first, and yields a byte after every eighth bit.
class ByteReceiver
{
public:
    // Takes one bit; returns true when it completed a byte, which receivedByte() then holds.
    bool push(bool bit);
    unsigned char receivedByte() const { return byte; }
    // True while some but not all bits of a byte have arrived.
    bool partial() const { return bits > 0; }
    void clear();

private:
    unsigned char shift = 0;
    unsigned char byte = 0;
    int bits = 0;
};

} // namespace sim
