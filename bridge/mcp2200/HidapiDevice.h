#pragma once

#include "HidDevice.h"

#include <memory>
#include <string>
#include <vector>

struct hid_device_;

// A HID device opened through hidapi: a hidraw node on Linux, the HID interface on Windows.
class HidapiDevice : public HidDevice
{
public:
    // The device paths (/dev/hidrawN, or Windows' device interface paths) of the devices with
    // these IDs.
    static std::vector<std::string> find(unsigned vendorId, unsigned productId);
    // Null, with the errno (on Windows, the system error code) in `error`, when the device
    // cannot be opened.
    static std::unique_ptr<HidapiDevice> open(const std::string &path, int &error);
    // Why the device at `path` does not open, as the system says (HidapiDevicePosix.cpp,
    // HidapiDeviceWindows.cpp).
    static int openError(const std::string &path);
    ~HidapiDevice() override;

    HidapiDevice(const HidapiDevice &) = delete;
    HidapiDevice &operator=(const HidapiDevice &) = delete;

    int write(const Report &report) override;
    int read(Report &report, int timeoutMs) override;

private:
    explicit HidapiDevice(hid_device_ *handle);

    hid_device_ *handle;
};
