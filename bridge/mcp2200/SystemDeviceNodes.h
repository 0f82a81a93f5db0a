#pragma once

#include "DeviceNodes.h"

// The real device nodes: GPIO chips through their character device, hidraw through hidapi.
class SystemDeviceNodes : public DeviceNodes
{
public:
    std::unique_ptr<NodeLock> lockNode(
        const std::string &node, int &error, std::string &holder) override;
    std::unique_ptr<GpioLineIo> openGpioChip(const std::string &node, int &error) override;
    std::vector<std::string> findHidraw(unsigned vendorId, unsigned productId) override;
    std::unique_ptr<HidDevice> openHidraw(const std::string &node, int &error) override;
};
