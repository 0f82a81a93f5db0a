#include "HidTransportOpener.h"

#include "HidTransport.h"
#include "HidapiDevice.h"

std::unique_ptr<Mcp2200Transport> HidTransportOpener::openHid(unsigned vendorId, unsigned productId)
{
    fault = {};
    for (const std::string &path : HidapiDevice::find(vendorId, productId)) {
        int error = 0;
        if (std::unique_ptr<HidDevice> device = HidapiDevice::open(path, error))
            return std::make_unique<HidTransport>(std::move(device));
        // The reason names no path, so with two cables either one's refusal tells it.
        fault = Mcp2200Fault::refused({}, error);
    }
    return nullptr;
}
