#pragma once

#include "TransportOpener.h"

#include <functional>
#include <string>
#include <vector>

// Hands out whatever transports a test prepares, and records which kinds were asked for.
class FakeTransportOpener : public TransportOpener
{
public:
    using Maker = std::function<std::unique_ptr<Mcp2200Transport>()>;

    std::unique_ptr<Mcp2200Transport> openGpio(unsigned vendorId, unsigned productId) override;
    std::unique_ptr<Mcp2200Transport> openHid(unsigned vendorId, unsigned productId) override;

    Maker gpio;
    Maker hid;
    std::vector<std::string> calls;
};
