#pragma once

#include "DeviceNodes.h"
#include "FakeGpioLines.h"
#include "FakeHidChip.h"

#include <QTemporaryDir>

#include <functional>

// Device nodes that open into fakes, or refuse with an errno, as a test sets them up.
class FakeDeviceNodes : public DeviceNodes
{
public:
    struct Hidraw
    {
        std::string node;
        int refusal = 0; // errno of the refused open; 0: it opens
    };

    // Real locks, on a file of its own for each node (made when first asked for).
    std::unique_ptr<NodeLock> lockNode(
        const std::string &node, int &error, std::string &holder) override;
    std::string lockFile(const std::string &node) const;
    std::unique_ptr<GpioLineIo> openGpioChip(const std::string &node, int &error) override;
    std::vector<std::string> findHidraw(unsigned vendorId, unsigned productId) override;
    std::unique_ptr<HidDevice> openHidraw(const std::string &node, int &error) override;

    int gpioRefusal = 0;
    std::vector<Hidraw> hidraw;
    // Applied to each fake handed out.
    std::function<void(FakeGpioLines &)> prepareLines;
    std::function<void(FakeHidChip &)> prepareChip;

    // The last fakes handed out (owned by the transports).
    FakeGpioLines *lines = nullptr;
    FakeHidChip *chip = nullptr;
    std::vector<std::string> opened;

private:
    QTemporaryDir lockDir;
};
