#include "SystemDeviceNodes.h"

#include "GpioChipDevice.h"
#include "HidapiDevice.h"

std::unique_ptr<NodeLock> SystemDeviceNodes::lockNode(
    const std::string &node, int &error, std::string &holder)
{
    return NodeLock::take(node, error, holder);
}

std::unique_ptr<GpioLineIo> SystemDeviceNodes::openGpioChip(const std::string &node, int &error)
{
    return GpioChipDevice::open(node, error);
}

std::vector<std::string> SystemDeviceNodes::findHidraw(unsigned vendorId, unsigned productId)
{
    return HidapiDevice::find(vendorId, productId);
}

std::unique_ptr<HidDevice> SystemDeviceNodes::openHidraw(const std::string &node, int &error)
{
    return HidapiDevice::open(node, error);
}
