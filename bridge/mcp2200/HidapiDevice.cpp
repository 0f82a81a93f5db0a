#include "HidapiDevice.h"

#include <hidapi.h>

std::unique_ptr<HidapiDevice> HidapiDevice::open(unsigned vendorId, unsigned productId)
{
    if (vendorId > 0xFFFF || productId > 0xFFFF || hid_init() != 0)
        return nullptr;
    hid_device *handle = hid_open(
        static_cast<unsigned short>(vendorId), static_cast<unsigned short>(productId), nullptr);
    if (!handle)
        return nullptr;
    return std::unique_ptr<HidapiDevice>(new HidapiDevice(handle));
}

HidapiDevice::HidapiDevice(hid_device *handle)
    : handle(handle)
{ }

HidapiDevice::~HidapiDevice()
{
    hid_close(handle);
}

bool HidapiDevice::write(const Report &report)
{
    // The chip numbers no reports: hidapi wants a leading 0 then.
    unsigned char buffer[1 + sizeof(Report)] = {0};
    for (std::size_t i = 0; i < report.size(); ++i)
        buffer[1 + i] = report[i];
    return hid_write(handle, buffer, sizeof buffer) == static_cast<int>(sizeof buffer);
}

int HidapiDevice::read(Report &report, int timeoutMs)
{
    return hid_read_timeout(handle, report.data(), report.size(), timeoutMs);
}
