#include "ClockedLine.h"

#include "BridgeLibrary.h"

namespace {

constexpr unsigned int clockPin = 2;
constexpr unsigned int dataOutPin = 3;
constexpr unsigned int dataInPin = 4;

} // namespace

void ClockedLine::send(std::uint8_t byte)
{
    for (int bit = 7; bit >= 0; --bit) {
        bridge.clearPin(clockPin);
        if ((byte >> bit) & 1)
            bridge.setPin(dataOutPin);
        else
            bridge.clearPin(dataOutPin);
        bridge.setPin(clockPin);
    }
    idle();
}

std::vector<std::uint8_t> ClockedLine::receive(int count)
{
    std::vector<std::uint8_t> bytes;
    for (int i = 0; i < count; ++i)
        bytes.push_back(receiveByte());
    idle();
    return bytes;
}

void ClockedLine::idle()
{
    bridge.setPin(clockPin);
    bridge.setPin(dataOutPin);
}

std::uint8_t ClockedLine::receiveByte()
{
    unsigned int byte = 0;
    for (int bit = 7; bit >= 0; --bit) {
        bridge.clearPin(clockPin);
        bridge.setPin(clockPin);
        unsigned int level = 0;
        bridge.readPin(dataInPin, &level);
        byte = (byte << 1) | (level != 0 ? 1u : 0u);
    }
    return std::uint8_t(byte);
}
