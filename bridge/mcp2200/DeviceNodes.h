#pragma once

#include "GpioLineIo.h"
#include "HidDevice.h"

#include <memory>
#include <string>
#include <vector>

// An exclusive flock(2) on a device node, held while the object lives, so that one program at
// a time drives a cable: the kernel lets any number open its hidraw node.
class NodeLock
{
public:
    // Null, with the errno in `error`, when the lock cannot be had: EBUSY when another open
    // file holds it, with the program holding it in `holder` where the system tells.
    static std::unique_ptr<NodeLock> take(const std::string &node, int &error, std::string &holder);
    ~NodeLock();

    NodeLock(const NodeLock &) = delete;
    NodeLock &operator=(const NodeLock &) = delete;

private:
    explicit NodeLock(int fd);

    int fd;
};

// Opening the chip's device nodes. Null results come with the errno of the refusal, so that
// the library can say why (tests put fakes behind this).
class DeviceNodes
{
public:
    virtual ~DeviceNodes() = default;

    // Taken before the node is opened and held while it is.
    virtual std::unique_ptr<NodeLock> lockNode(
        const std::string &node, int &error, std::string &holder)
        = 0;
    virtual std::unique_ptr<GpioLineIo> openGpioChip(const std::string &node, int &error) = 0;
    // The hidraw nodes of the USB devices with these IDs, in the order the system lists them.
    virtual std::vector<std::string> findHidraw(unsigned vendorId, unsigned productId) = 0;
    virtual std::unique_ptr<HidDevice> openHidraw(const std::string &node, int &error) = 0;
};
