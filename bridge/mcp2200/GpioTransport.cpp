#include "GpioTransport.h"

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <mutex>

namespace {

constexpr unsigned detectorLine = 4;
constexpr std::uint8_t linkOutputs = 0x0C; // lines 2 and 3
constexpr std::uint8_t allLines = 0xFF;
constexpr std::uint64_t directionFlags = GPIO_V2_LINE_FLAG_INPUT | GPIO_V2_LINE_FLAG_OUTPUT;
// A call refused before any ioctl (an input cannot be driven): no reason to tell.
constexpr int refusedHere = -1;

// gpiolib sets directions in request order. The driver's first CONFIGURE, made from its cache,
// drives every line but the one it sets, so the detector's line leads; the link's outputs,
// which keep their direction, come last.
constexpr unsigned requestOrder[8] = {detectorLine, 0, 1, 5, 6, 7, 2, 3};

std::uint8_t lineBit(unsigned line)
{
    return static_cast<std::uint8_t>(1u << line);
}

// Bit of a line in the request's value bitmaps.
std::uint64_t indexBit(unsigned line)
{
    for (unsigned i = 0; i < 8; ++i) {
        if (requestOrder[i] == line)
            return std::uint64_t(1) << i;
    }
    return 0;
}

std::uint64_t indexBits(std::uint8_t lines)
{
    std::uint64_t bits = 0;
    for (unsigned line = 0; line < 8; ++line) {
        if ((lines >> line) & 1u)
            bits |= indexBit(line);
    }
    return bits;
}

} // namespace

// The held lines and what the kernel has for them. Only the worker thread touches it; each
// call gives back 0 or the errno of the ioctl that failed.
class GpioLines
{
public:
    explicit GpioLines(std::unique_ptr<GpioLineIo> io)
        : io(std::move(io))
    { }

    int request()
    {
        gpio_v2_line_request request {};
        std::strncpy(request.consumer, GpioTransport::consumer, sizeof request.consumer - 1);
        for (unsigned line : requestOrder)
            request.offsets[request.num_lines++] = line;
        // No direction flags: the kernel takes every line as it is, with no word to the chip.
        if (!io->request(request))
            return io->lastError();
        held = true;
        readDirections(allLines);
        return 0;
    }

    // Lets go of the lines and takes them again as they are, which no report to the chip
    // goes with: gpiolib asks the driver's cache for each line's direction.
    int retake()
    {
        io->release();
        held = false;
        return request();
    }

    // The directions a pin written before any were asked for needs.
    std::uint8_t linkDirections() const
    {
        if (inputs == 0 && unknown == 0) // the driver's start: every line an output
            return static_cast<std::uint8_t>(allLines & ~linkOutputs);
        return static_cast<std::uint8_t>((inputs | unknown | lineBit(detectorLine)) & ~linkOutputs);
    }

    // The first change of directions. The driver's first CONFIGURE is made from its cache, and
    // after each one it rewrites every output from it: the link's lines go high there first,
    // so that none of them is left low by a direction change.
    int settle(std::uint8_t wanted)
    {
        const auto alreadyOut = static_cast<std::uint8_t>(linkOutputs & ~inputs & ~unknown);
        if (alreadyOut) {
            const int error = setValues(alreadyOut);
            if (error)
                return error;
        }
        const int error = setDirections(wanted);
        settled = error == 0;
        return error;
    }

    int changeDirections(std::uint8_t wanted)
    {
        return settled ? setDirections(wanted) : settle(wanted);
    }

    int setDirections(std::uint8_t wanted)
    {
        auto changing = static_cast<std::uint8_t>((inputs ^ wanted) | unknown);
        for (unsigned attempt = 0; changing && attempt <= 8; ++attempt) {
            gpio_v2_line_config config = changeOf(changing, wanted);
            if (io->setConfig(config)) {
                inputs = static_cast<std::uint8_t>((inputs & ~changing) | (wanted & changing));
                unknown = static_cast<std::uint8_t>(unknown & ~changing);
                return 0;
            }
            const int error = io->lastError();
            if (error != EBADE) {
                unknown = static_cast<std::uint8_t>(unknown | changing);
                return error;
            }
            // Since Linux 6.16 the driver's setters give back the report's byte count, which
            // gpiolib turns into EBADE once the line is set, leaving the lines after it as they
            // were, and (7.3.4, as run) the line with its old direction in gpiolib's view. Taken
            // again as they are, the lines show the driver's own directions: only those not
            // done yet are asked again.
            const std::uint8_t asked = changing;
            const int retaken = retake();
            if (retaken)
                return retaken;
            changing = static_cast<std::uint8_t>(((inputs ^ wanted) | unknown) & asked);
            if (changing == asked)
                return error;
        }
        return changing ? EBADE : 0;
    }

    int write(unsigned pin, bool high)
    {
        if (held && !settled) {
            const int error = settle(linkDirections());
            if (error)
                return error;
        }
        if (!held || ((inputs | unknown) >> pin) & 1u)
            return refusedHere;
        const std::uint8_t was = latch;
        latch = high ? static_cast<std::uint8_t>(latch | lineBit(pin))
                     : static_cast<std::uint8_t>(latch & ~lineBit(pin));
        const int error = setValues(lineBit(pin));
        if (error)
            latch = was;
        return error;
    }

    int read(unsigned pin, bool &high)
    {
        gpio_v2_line_values values {};
        values.mask = indexBit(pin);
        const int error = getValues(values);
        high = (values.bits & values.mask) != 0;
        return error;
    }

    int alive()
    {
        gpio_v2_line_values values {};
        values.mask = indexBits(allLines);
        return getValues(values);
    }

    std::string holder()
    {
        for (unsigned line = 0; line < 8; ++line) {
            gpio_v2_line_info info {};
            info.offset = line;
            if (io->lineInfo(info) && (info.flags & GPIO_V2_LINE_FLAG_USED) && info.consumer[0]) {
                info.consumer[sizeof info.consumer - 1] = '\0';
                return info.consumer;
            }
        }
        return {};
    }

private:
    void readDirections(std::uint8_t lines)
    {
        for (unsigned line = 0; line < 8; ++line) {
            if (!((lines >> line) & 1u))
                continue;
            gpio_v2_line_info info {};
            info.offset = line;
            const std::uint64_t direction = io->lineInfo(info) ? info.flags & directionFlags : 0;
            const std::uint8_t bit = lineBit(line);
            unknown = direction ? static_cast<std::uint8_t>(unknown & ~bit)
                                : static_cast<std::uint8_t>(unknown | bit);
            inputs = direction == GPIO_V2_LINE_FLAG_INPUT
                ? static_cast<std::uint8_t>(inputs | bit)
                : static_cast<std::uint8_t>(inputs & ~bit);
        }
    }

    // The lines in `changing` get their direction in `wanted`, new outputs at their latch
    // level; the others carry no flags, which leaves them alone.
    gpio_v2_line_config changeOf(std::uint8_t changing, std::uint8_t wanted) const
    {
        gpio_v2_line_config config {};
        gpio_v2_line_config_attribute *attr = config.attrs;
        const std::uint64_t toInputs = indexBits(changing & wanted);
        const std::uint64_t toOutputs = indexBits(changing & ~wanted);
        if (toInputs) {
            attr->attr.id = GPIO_V2_LINE_ATTR_ID_FLAGS;
            attr->attr.flags = GPIO_V2_LINE_FLAG_INPUT;
            attr->mask = toInputs;
            ++attr;
        }
        if (toOutputs) {
            attr->attr.id = GPIO_V2_LINE_ATTR_ID_FLAGS;
            attr->attr.flags = GPIO_V2_LINE_FLAG_OUTPUT;
            attr->mask = toOutputs;
            ++attr;
            attr->attr.id = GPIO_V2_LINE_ATTR_ID_OUTPUT_VALUES;
            attr->attr.values = indexBits(latch);
            attr->mask = toOutputs;
            ++attr;
        }
        config.num_attrs = static_cast<std::uint32_t>(attr - config.attrs);
        return config;
    }

    int setValues(std::uint8_t lines)
    {
        gpio_v2_line_values values {};
        values.mask = indexBits(lines);
        values.bits = indexBits(latch) & values.mask;
        // The same driver change as in setDirections: the pins were set, the count came back.
        if (io->setValues(values) || io->lastError() == EBADE)
            return 0;
        return io->lastError();
    }

    int getValues(gpio_v2_line_values &values)
    {
        if (!held)
            return refusedHere;
        return io->getValues(values) ? 0 : io->lastError();
    }

    std::unique_ptr<GpioLineIo> io;
    bool held = false;
    // Until the first change of directions the lines are as the kernel had them: a driver just
    // bound has set nothing, and the chip keeps the directions stored in it.
    bool settled = false;
    // The kernel's directions (bit set: input), and the lines whose direction it did not say.
    std::uint8_t inputs = 0;
    std::uint8_t unknown = allLines;
    // Last level written to each output, the link's lines idle high.
    std::uint8_t latch = linkOutputs;
};

struct GpioTransport::Shared
{
    explicit Shared(std::unique_ptr<GpioLineIo> io)
        : lines(std::move(io))
    { }

    std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable done;
    std::function<int(GpioLines &)> job;
    bool busy = false; // a job waits or runs
    bool abandoned = false; // its caller stopped waiting for it
    bool quit = false;
    int lastError = 0; // of the last job that ended
    GpioLines lines;
};

namespace {

void work(std::shared_ptr<GpioTransport::Shared> shared)
{
    std::unique_lock<std::mutex> lock(shared->mutex);
    for (;;) {
        shared->wake.wait(lock, [&] { return shared->quit || shared->job; });
        if (!shared->job)
            return;
        const std::function<int(GpioLines &)> job = std::move(shared->job);
        shared->job = nullptr;
        lock.unlock();
        const int error = job(shared->lines);
        lock.lock();
        shared->lastError = error;
        shared->busy = false;
        shared->done.notify_all();
    }
}

} // namespace

GpioTransport::Waits GpioTransport::waits;

GpioTransport::GpioTransport(std::unique_ptr<GpioLineIo> io, std::string node)
    : shared(std::make_shared<Shared>(std::move(io)))
    , worker(work, shared)
    , node(std::move(node))
{ }

GpioTransport::~GpioTransport()
{
    bool stuck = false;
    {
        std::lock_guard<std::mutex> lock(shared->mutex);
        shared->quit = true;
        stuck = shared->busy;
    }
    shared->wake.notify_one();
    // An ioctl the kernel still waits in: the thread ends, and lets go of the lines, with it.
    if (stuck)
        worker.detach();
    else
        worker.join();
}

template<typename Job> bool GpioTransport::run(Job job, int waitMs)
{
    lastFailure = {};
    silent = false;
    if (lost)
        return false;
    int error = 0;
    {
        std::unique_lock<std::mutex> lock(shared->mutex);
        if (shared->abandoned && shared->busy) {
            silent = true;
            lastFailure = Mcp2200Fault::silent(node);
            return false;
        }
        if (shared->abandoned) {
            shared->abandoned = false;
            if (shared->lastError == ENODEV) {
                lost = true;
                lastFailure = Mcp2200Fault::lost(node);
                return false;
            }
        }
        shared->job = std::move(job);
        shared->busy = true;
        shared->wake.notify_one();
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
        if (!shared->done.wait_until(lock, deadline, [&] { return !shared->busy; })) {
            shared->abandoned = true;
            silent = true;
            lastFailure = Mcp2200Fault::silent(node);
            return false;
        }
        error = shared->lastError;
    }
    if (error == 0 || error == refusedHere)
        return error == 0;
    if (error == ENODEV) {
        lost = true;
        lastFailure = Mcp2200Fault::lost(node);
    } else if (error == ETIMEDOUT) {
        silent = true;
        lastFailure = Mcp2200Fault::silent(node);
    } else {
        lastFailure.kind = Mcp2200Fault::Kind::Failed;
        lastFailure.node = node;
        lastFailure.error = error;
    }
    return false;
}

bool GpioTransport::start()
{
    const auto result = std::make_shared<int>(0);
    const auto keep = [result](int error) { return *result = error; };
    if (run([keep](GpioLines &lines) { return keep(lines.request()); }, wait.setupMs))
        return true;
    startError = silent ? ETIMEDOUT : *result;
    return false;
}

std::string GpioTransport::holder()
{
    const auto text = std::make_shared<std::string>();
    run(
        [text](GpioLines &lines) {
            *text = lines.holder();
            return 0;
        },
        wait.setupMs);
    return *text;
}

bool GpioTransport::isAlive()
{
    return run([](GpioLines &lines) { return lines.alive(); }, wait.pinMs);
}

bool GpioTransport::writePin(unsigned pin, bool high)
{
    return run([pin, high](GpioLines &lines) { return lines.write(pin, high); }, wait.pinMs);
}

bool GpioTransport::readPin(unsigned pin, bool &high)
{
    const auto level = std::make_shared<bool>(false);
    if (!run([pin, level](GpioLines &lines) { return lines.read(pin, *level); }, wait.pinMs))
        return false;
    high = *level;
    return true;
}

bool GpioTransport::setDirections(std::uint8_t ioMap)
{
    return run([ioMap](GpioLines &lines) { return lines.changeDirections(ioMap); }, wait.setupMs);
}

bool GpioTransport::setBaudRate(unsigned long)
{
    lastFailure = {};
    silent = false;
    return false;
}

bool GpioTransport::configure(std::uint8_t ioMap, unsigned long, const Mcp2200AltFunctions &)
{
    // The directions can be applied; the baud rate and the pin functions cannot.
    setDirections(ioMap);
    return false;
}
