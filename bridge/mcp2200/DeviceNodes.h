#pragma once

#include "GpioLineIo.h"
#include "HidDevice.h"

#include <memory>
#include <string>
#include <vector>

// Opening the chip's device nodes. Null results come with the errno of the refusal, so that
// the library can say why (tests put fakes behind this).
class DeviceNodes
{
public:
    virtual ~DeviceNodes() = default;

    virtual std::unique_ptr<GpioLineIo> openGpioChip(const std::string &node, int &error) = 0;
    // The hidraw nodes of the USB devices with these IDs, in the order the system lists them.
    virtual std::vector<std::string> findHidraw(unsigned vendorId, unsigned productId) = 0;
    virtual std::unique_ptr<HidDevice> openHidraw(const std::string &node, int &error) = 0;
};
