#pragma once

#include "DeviceNodes.h"
#include "GpioChipFinder.h"
#include "TransportOpener.h"

#include <condition_variable>
#include <mutex>
#include <thread>

// Opens the chip through its device nodes: the kernel's GPIO chip as the finder finds it in
// sysfs, or a hidraw node, each under a lock on its node held while the transport lives. Of two
// cables, the first in the system's order that opens is used; when none opens, the first one's
// reason is kept. Keeps why the last attempt failed.
class NodeTransportOpener : public TransportOpener
{
public:
    explicit NodeTransportOpener(DeviceNodes &nodes, GpioChipFinder finder = GpioChipFinder());

    std::unique_ptr<Mcp2200Transport> openGpio(unsigned vendorId, unsigned productId) override;
    std::unique_ptr<Mcp2200Transport> openHid(unsigned vendorId, unsigned productId) override;
    Mcp2200Fault lastFault() const override { return fault; }

private:
    // The lock on `node`, or null with why not in `refusal`.
    std::unique_ptr<NodeLock> lock(const std::string &node, Mcp2200Fault &refusal);
    // The GPIO chip at `node` locked, opened and its lines taken, or null with why not.
    std::unique_ptr<Mcp2200Transport> openGpioChip(const std::string &node, Mcp2200Fault &refusal);

    DeviceNodes &nodes;
    GpioChipFinder finder;
    Mcp2200Fault fault;
};

// A HID device whose writes are waited for a bounded time. A write to hidraw waits in the
// kernel until the chip takes the report, up to 5 s when it hangs; this one gives up after
// `timeoutMs` and fails every call until that write is over.
class TimedWriteDevice : public HidDevice
{
public:
    static constexpr int defaultTimeoutMs = 200;

    explicit TimedWriteDevice(std::unique_ptr<HidDevice> device, int timeoutMs = defaultTimeoutMs);
    // Waits for a write still under way.
    ~TimedWriteDevice() override;

    TimedWriteDevice(const TimedWriteDevice &) = delete;
    TimedWriteDevice &operator=(const TimedWriteDevice &) = delete;

    int write(const Report &report) override;
    int read(Report &report, int timeoutMs) override;

private:
    void run();

    std::unique_ptr<HidDevice> device;
    const int timeoutMs;
    std::mutex mutex;
    std::condition_variable changed;
    Report pending {};
    bool writing = false;
    bool stopping = false;
    int result = 0;
    std::thread writer;
};
