#pragma once

#include "TransportOpener.h"

// Opens the real chip: the kernel's GPIO chip through /dev and /sys, else hidraw via hidapi.
class SystemTransportOpener : public TransportOpener
{
public:
    std::unique_ptr<Mcp2200Transport> openGpio(unsigned vendorId, unsigned productId) override;
    std::unique_ptr<Mcp2200Transport> openHid(unsigned vendorId, unsigned productId) override;
};
