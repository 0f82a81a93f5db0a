#pragma once

#include "HidapiDevice.h"
#include "TransportOpener.h"

#include <functional>
#include <string>
#include <vector>

// Opens the chip's HID interface through hidapi, the only way to it on Windows. The device is
// named by no path in the reasons: Windows' interface paths mean nothing to the technician.
// With two cables, the first in hidapi's order that opens is used; when none opens, the first
// one's reason is told.
class HidTransportOpener : public TransportOpener
{
public:
    // The device paths with these IDs, in enumeration order.
    using Find = std::function<std::vector<std::string>(unsigned vendorId, unsigned productId)>;
    // Null, with a system error code in `error`, when the device does not open.
    using Open = std::function<std::unique_ptr<HidDevice>(const std::string &path, int &error)>;

    explicit HidTransportOpener(Find find = &HidapiDevice::find, Open open = &HidapiDevice::open);

    std::unique_ptr<Mcp2200Transport> openGpio(unsigned, unsigned) override { return nullptr; }
    std::unique_ptr<Mcp2200Transport> openHid(unsigned vendorId, unsigned productId) override;
    Mcp2200Fault lastFault() const override { return fault; }

    // The name of the mutex that a program of ours holds while the device at `path` is open.
    static std::wstring claimName(const std::string &path);

private:
    std::unique_ptr<HidDevice> openClaimed(const std::string &path, int &error);

    Find find;
    Open open;
    Mcp2200Fault fault;
};
