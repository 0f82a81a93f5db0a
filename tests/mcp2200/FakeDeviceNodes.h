#pragma once

#include "DeviceNodes.h"
#include "FakeGpioLines.h"
#include "FakeHidChip.h"

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
};
