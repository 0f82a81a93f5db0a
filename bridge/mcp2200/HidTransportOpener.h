#pragma once

#include "TransportOpener.h"

// Opens the chip's HID interface through hidapi, the only way to it on Windows. The device is
// named by no path in the reasons: Windows' interface paths mean nothing to the technician.
class HidTransportOpener : public TransportOpener
{
public:
    std::unique_ptr<Mcp2200Transport> openGpio(unsigned, unsigned) override { return nullptr; }
    std::unique_ptr<Mcp2200Transport> openHid(unsigned vendorId, unsigned productId) override;
    Mcp2200Fault lastFault() const override { return fault; }

private:
    Mcp2200Fault fault;
};
