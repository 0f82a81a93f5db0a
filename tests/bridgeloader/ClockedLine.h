#pragma once

#include <cstdint>
#include <vector>

class BridgeLibrary;

// The detector's three-wire line clocked by hand through a loaded bridge library, the way the
// link clocks it: pin 2 the clock, pin 3 data out, pin 4 data in, most significant bit first.
// Out, the bit is set while the clock is low and taken on its rising edge; in, the detector
// puts the bit on the falling edge and it is sampled after the clock has risen.
class ClockedLine
{
public:
    explicit ClockedLine(BridgeLibrary &bridge)
        : bridge(bridge)
    { }

    void send(std::uint8_t byte);
    std::vector<std::uint8_t> receive(int count);
    // Both output lines high, as between frames.
    void idle();

private:
    std::uint8_t receiveByte();

    BridgeLibrary &bridge;
};
