#pragma once

#include "HidDevice.h"

#include <memory>

struct hid_device_;

// A hidraw node opened through hidapi.
class HidapiDevice : public HidDevice
{
public:
    // The first device with these IDs, or null.
    static std::unique_ptr<HidapiDevice> open(unsigned vendorId, unsigned productId);
    ~HidapiDevice() override;

    HidapiDevice(const HidapiDevice &) = delete;
    HidapiDevice &operator=(const HidapiDevice &) = delete;

    bool write(const Report &report) override;
    int read(Report &report, int timeoutMs) override;

private:
    explicit HidapiDevice(hid_device_ *handle);

    hid_device_ *handle;
};
