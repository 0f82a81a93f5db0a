#include "FakeTransportOpener.h"

std::unique_ptr<Mcp2200Transport> FakeTransportOpener::openGpio(
    unsigned vendorId, unsigned productId)
{
    calls.push_back("gpio " + std::to_string(vendorId) + ":" + std::to_string(productId));
    return gpio ? gpio() : nullptr;
}

std::unique_ptr<Mcp2200Transport> FakeTransportOpener::openHid(
    unsigned vendorId, unsigned productId)
{
    calls.push_back("hid " + std::to_string(vendorId) + ":" + std::to_string(productId));
    return hid ? hid() : nullptr;
}
