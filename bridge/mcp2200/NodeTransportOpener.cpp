#include "NodeTransportOpener.h"

#include "GpioTransport.h"
#include "HidTransport.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

// The transport with the lock on its node, let go of only after the transport.
class LockedTransport : public Mcp2200Transport
{
public:
    LockedTransport(std::unique_ptr<NodeLock> lock, std::unique_ptr<Mcp2200Transport> transport)
        : lock(std::move(lock))
        , transport(std::move(transport))
    { }

    std::string deviceNode() const override { return transport->deviceNode(); }
    bool isAlive() override { return transport->isAlive(); }
    bool isLost() const override { return transport->isLost(); }
    bool isSilent() const override { return transport->isSilent(); }
    Mcp2200Fault failure() const override { return transport->failure(); }
    bool writePin(unsigned pin, bool high) override { return transport->writePin(pin, high); }
    bool readPin(unsigned pin, bool &high) override { return transport->readPin(pin, high); }
    bool setDirections(std::uint8_t ioMap) override { return transport->setDirections(ioMap); }
    bool setBaudRate(unsigned long baudRate) override { return transport->setBaudRate(baudRate); }
    bool configure(
        std::uint8_t ioMap, unsigned long baudRate, const Mcp2200AltFunctions &alt) override
    {
        return transport->configure(ioMap, baudRate, alt);
    }

private:
    std::unique_ptr<NodeLock> lock;
    std::unique_ptr<Mcp2200Transport> transport;
};

// The program of a process, as its command line names it.
std::string programOf(const std::string &pid)
{
    std::ifstream cmdline("/proc/" + pid + "/cmdline");
    std::string program;
    std::getline(cmdline, program, '\0');
    const std::size_t slash = program.rfind('/');
    return slash == std::string::npos ? program : program.substr(slash + 1);
}

// Who holds the flock on the file open as `fd`, as /proc/locks tells: its lines name the
// locked file by the device and the inode of its file system ("1: FLOCK ADVISORY WRITE 1234
// fe:00:5678 0 EOF").
std::string lockHolder(int fd)
{
    struct stat file = {};
    if (::fstat(fd, &file) != 0)
        return {};
    char wanted[64];
    std::snprintf(wanted, sizeof wanted, "%02x:%02x:%llu", major(file.st_dev), minor(file.st_dev),
        static_cast<unsigned long long>(file.st_ino));
    std::ifstream locks("/proc/locks");
    for (std::string line; std::getline(locks, line);) {
        std::istringstream fields(line);
        std::string number, type, advisory, access, pid, where;
        fields >> number >> type >> advisory >> access >> pid >> where;
        if (type == "FLOCK" && where == wanted)
            return programOf(pid);
    }
    return {};
}

} // namespace

std::unique_ptr<NodeLock> NodeLock::take(const std::string &node, int &error, std::string &holder)
{
    // Reading is all a lock needs, and a node the user may not open at all is refused here.
    const int fd = ::open(node.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        error = errno;
        return nullptr;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        error = errno == EWOULDBLOCK ? EBUSY : errno;
        if (error == EBUSY)
            holder = lockHolder(fd);
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<NodeLock>(new NodeLock(fd));
}

NodeLock::NodeLock(int fd)
    : fd(fd)
{ }

NodeLock::~NodeLock()
{
    ::close(fd);
}

NodeTransportOpener::NodeTransportOpener(DeviceNodes &nodes, GpioChipFinder finder)
    : nodes(nodes)
    , finder(std::move(finder))
{ }

std::unique_ptr<NodeLock> NodeTransportOpener::lock(const std::string &node, Mcp2200Fault &refusal)
{
    int error = 0;
    std::string holder;
    std::unique_ptr<NodeLock> held = nodes.lockNode(node, error, holder);
    if (!held)
        refusal = Mcp2200Fault::refused(node, error, holder);
    return held;
}

std::unique_ptr<Mcp2200Transport> NodeTransportOpener::openGpio(
    unsigned vendorId, unsigned productId)
{
    fault = {};
    // A chip held by another program does not hide a second cable; with none usable, the
    // first one's trouble is told.
    for (const std::string &node : finder.find(vendorId, productId)) {
        Mcp2200Fault refusal;
        if (auto transport = openGpioChip(node, refusal))
            return transport;
        if (fault.kind == Mcp2200Fault::Kind::None)
            fault = refusal;
    }
    return nullptr;
}

std::unique_ptr<Mcp2200Transport> NodeTransportOpener::openGpioChip(
    const std::string &node, Mcp2200Fault &refusal)
{
    std::unique_ptr<NodeLock> held = lock(node, refusal);
    if (!held)
        return nullptr;
    int error = 0;
    std::unique_ptr<GpioLineIo> chip = nodes.openGpioChip(node, error);
    if (!chip) {
        refusal = Mcp2200Fault::refused(node, error);
        return nullptr;
    }
    auto transport = std::make_unique<GpioTransport>(std::move(chip), node);
    if (!transport->start()) {
        refusal = Mcp2200Fault::refused(node, transport->requestError(), transport->holder());
        return nullptr;
    }
    return std::make_unique<LockedTransport>(std::move(held), std::move(transport));
}

std::unique_ptr<Mcp2200Transport> NodeTransportOpener::openHid(
    unsigned vendorId, unsigned productId)
{
    fault = {};
    for (const std::string &node : nodes.findHidraw(vendorId, productId)) {
        Mcp2200Fault refusal;
        std::unique_ptr<NodeLock> held = lock(node, refusal);
        std::unique_ptr<HidDevice> device;
        if (held) {
            int error = 0;
            device = nodes.openHidraw(node, error);
            if (!device)
                refusal = Mcp2200Fault::refused(node, error);
        }
        if (device) {
            auto timed = std::make_unique<TimedWriteDevice>(std::move(device));
            return std::make_unique<LockedTransport>(
                std::move(held), std::make_unique<HidTransport>(std::move(timed), node));
        }
        if (fault.kind == Mcp2200Fault::Kind::None)
            fault = refusal;
    }
    return nullptr;
}

TimedWriteDevice::TimedWriteDevice(std::unique_ptr<HidDevice> device, int timeoutMs)
    : device(std::move(device))
    , timeoutMs(timeoutMs)
    , writer(&TimedWriteDevice::run, this)
{ }

TimedWriteDevice::~TimedWriteDevice()
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
    }
    changed.notify_all();
    writer.join();
}

int TimedWriteDevice::write(const Report &report)
{
    std::unique_lock<std::mutex> lock(mutex);
    if (writing)
        return 0;
    pending = report;
    writing = true;
    changed.notify_all();
    if (!changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return !writing; }))
        return 0;
    return result;
}

int TimedWriteDevice::read(Report &report, int timeoutMs)
{
    {
        // The chip that has not taken the last report sends no answer either.
        std::lock_guard<std::mutex> lock(mutex);
        if (writing)
            return 0;
    }
    return device->read(report, timeoutMs);
}

void TimedWriteDevice::run()
{
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
        changed.wait(lock, [this] { return writing || stopping; });
        if (!writing)
            return;
        const Report report = pending;
        lock.unlock();
        const int sent = device->write(report);
        lock.lock();
        result = sent;
        writing = false;
        changed.notify_all();
    }
}
