#include "SystemTransportOpener.h"

#include "GpioChipDevice.h"
#include "GpioChipFinder.h"
#include "GpioTransport.h"
#include "HidTransport.h"
#include "HidapiDevice.h"

std::unique_ptr<Mcp2200Transport> SystemTransportOpener::openGpio(
    unsigned vendorId, unsigned productId)
{
    const std::string node = GpioChipFinder().find(vendorId, productId);
    if (node.empty())
        return nullptr;
    std::unique_ptr<GpioChipDevice> chip = GpioChipDevice::open(node);
    if (!chip)
        return nullptr;
    auto transport = std::make_unique<GpioTransport>(std::move(chip));
    if (!transport->start())
        return nullptr;
    return transport;
}

std::unique_ptr<Mcp2200Transport> SystemTransportOpener::openHid(
    unsigned vendorId, unsigned productId)
{
    std::unique_ptr<HidapiDevice> device = HidapiDevice::open(vendorId, productId);
    if (!device)
        return nullptr;
    return std::make_unique<HidTransport>(std::move(device));
}
