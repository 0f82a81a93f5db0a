#pragma once

#include "DeviceNodes.h"
#include "GpioChipFinder.h"
#include "TransportOpener.h"

// Opens the chip through its device nodes: the kernel's GPIO chip as the finder finds it in
// sysfs, or a hidraw node. Keeps why the last attempt failed.
class NodeTransportOpener : public TransportOpener
{
public:
    explicit NodeTransportOpener(DeviceNodes &nodes, GpioChipFinder finder = GpioChipFinder());

    std::unique_ptr<Mcp2200Transport> openGpio(unsigned vendorId, unsigned productId) override;
    std::unique_ptr<Mcp2200Transport> openHid(unsigned vendorId, unsigned productId) override;
    Mcp2200Fault lastFault() const override { return fault; }

private:
    DeviceNodes &nodes;
    GpioChipFinder finder;
    Mcp2200Fault fault;
};
