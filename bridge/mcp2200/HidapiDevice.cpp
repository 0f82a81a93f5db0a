#include "HidapiDevice.h"

#include <hidapi.h>
#ifdef _WIN32
#include <hidapi_winapi.h>
#endif

std::vector<std::string> HidapiDevice::find(unsigned vendorId, unsigned productId)
{
    std::vector<std::string> paths;
    if (vendorId > 0xFFFF || productId > 0xFFFF || hid_init() != 0)
        return paths;
    hid_device_info *list = hid_enumerate(
        static_cast<unsigned short>(vendorId), static_cast<unsigned short>(productId));
    for (const hid_device_info *info = list; info; info = info->next) {
        if (info->path)
            paths.emplace_back(info->path);
    }
    hid_free_enumeration(list);
    return paths;
}

std::unique_ptr<HidapiDevice> HidapiDevice::open(const std::string &path, int &error)
{
    hid_device *device = hid_init() == 0 ? hid_open_path(path.c_str()) : nullptr;
#ifdef _WIN32
    // hidapi waits a second for a write the chip does not take, inside a frame's tick; as long
    // as hidraw's writes are waited for on Linux.
    if (device)
        hid_winapi_set_write_timeout(device, 200);
#endif
    if (device)
        return std::unique_ptr<HidapiDevice>(new HidapiDevice(device));
    // hidapi keeps only a message: open the device once more to learn the system's error.
    error = openError(path);
    return nullptr;
}

HidapiDevice::HidapiDevice(hid_device *handle)
    : handle(handle)
{ }

HidapiDevice::~HidapiDevice()
{
    hid_close(handle);
}

int HidapiDevice::write(const Report &report)
{
    // The chip numbers no reports: hidapi wants a leading 0 then.
    unsigned char buffer[1 + sizeof(Report)] = {0};
    for (std::size_t i = 0; i < report.size(); ++i)
        buffer[1 + i] = report[i];
    return hid_write(handle, buffer, sizeof buffer);
}

int HidapiDevice::read(Report &report, int timeoutMs)
{
    return hid_read_timeout(handle, report.data(), report.size(), timeoutMs);
}
