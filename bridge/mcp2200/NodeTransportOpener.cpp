#include "NodeTransportOpener.h"

#include "GpioTransport.h"
#include "HidTransport.h"

NodeTransportOpener::NodeTransportOpener(DeviceNodes &nodes, GpioChipFinder finder)
    : nodes(nodes)
    , finder(std::move(finder))
{ }

std::unique_ptr<Mcp2200Transport> NodeTransportOpener::openGpio(
    unsigned vendorId, unsigned productId)
{
    fault = {};
    const std::string node = finder.find(vendorId, productId);
    if (node.empty())
        return nullptr;
    int error = 0;
    std::unique_ptr<GpioLineIo> chip = nodes.openGpioChip(node, error);
    if (!chip) {
        fault = Mcp2200Fault::refused(node, error);
        return nullptr;
    }
    auto transport = std::make_unique<GpioTransport>(std::move(chip), node);
    if (!transport->start()) {
        fault = Mcp2200Fault::refused(node, transport->requestError(), transport->holder());
        return nullptr;
    }
    return transport;
}

std::unique_ptr<Mcp2200Transport> NodeTransportOpener::openHid(
    unsigned vendorId, unsigned productId)
{
    fault = {};
    for (const std::string &node : nodes.findHidraw(vendorId, productId)) {
        int error = 0;
        std::unique_ptr<HidDevice> device = nodes.openHidraw(node, error);
        if (device)
            return std::make_unique<HidTransport>(std::move(device), node);
        // With two cables the first one's trouble is the one to tell.
        if (fault.kind == Mcp2200Fault::Kind::None)
            fault = Mcp2200Fault::refused(node, error);
    }
    return nullptr;
}
