#pragma once

#include "HidDevice.h"

#include <memory>
#include <string>
#include <vector>

struct hid_device_;

// A hidraw node opened through hidapi.
class HidapiDevice : public HidDevice
{
public:
    // The device paths (/dev/hidrawN) of the devices with these IDs.
    static std::vector<std::string> find(unsigned vendorId, unsigned productId);
    // Null, with the errno in `error`, when the node cannot be opened.
    static std::unique_ptr<HidapiDevice> open(const std::string &path, int &error);
    ~HidapiDevice() override;

    HidapiDevice(const HidapiDevice &) = delete;
    HidapiDevice &operator=(const HidapiDevice &) = delete;

    bool write(const Report &report) override;
    int read(Report &report, int timeoutMs) override;

private:
    explicit HidapiDevice(hid_device_ *handle);

    hid_device_ *handle;
};
