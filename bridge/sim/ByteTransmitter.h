#pragma once

#include <cstddef>
#include <vector>

namespace sim {

// Shifts a queue of bytes out bit by bit, most significant bit of each byte first.
class ByteTransmitter
{
public:
    void load(std::vector<unsigned char> frame);
    void clear();
    // True while bits remain to be sent.
    bool pending() const { return next < bytes.size() * 8; }
    // The next bit; only meaningful while pending().
    bool nextBit();
    // The bytes last loaded, sent or not.
    const std::vector<unsigned char> &loaded() const { return bytes; }

private:
    std::vector<unsigned char> bytes;
    std::size_t next = 0;
};

} // namespace sim
