#include "FakeGpioLines.h"

#include <chrono>
#include <thread>

namespace {

constexpr std::uint8_t linkLines = 0x0C;
constexpr std::uint64_t directionFlags = GPIO_V2_LINE_FLAG_INPUT | GPIO_V2_LINE_FLAG_OUTPUT;

std::uint8_t bitOf(unsigned line)
{
    return static_cast<std::uint8_t>(1u << line);
}

} // namespace

FakeGpioLines::~FakeGpioLines()
{
    if (destroyed)
        *destroyed = true;
}

bool FakeGpioLines::request(gpio_v2_line_request &request)
{
    ++ioctls;
    calls.push_back("request");
    requests.push_back(request);
    if (unplugged || failRequests || held) {
        error = unplugged ? ENODEV : failRequests ? failError : EBUSY;
        return false;
    }
    current = request;
    held = true;
    for (unsigned i = 0; i < request.num_lines; ++i) {
        const unsigned line = request.offsets[i];
        // gpiod_request() asks the driver for the line's direction, from its cache.
        isOut = (directions >> line) & 1u ? (isOut & ~bitOf(line)) : (isOut | bitOf(line));
        const std::uint64_t flags = lineFlags(request.config, i);
        if (!(flags & directionFlags))
            continue;
        error = setDirection(line, flags, outputValue(request.config, i));
        if (error) {
            // The kernel lets go of the whole request at the first line that failed.
            held = false;
            return false;
        }
    }
    return true;
}

// A pulled chip's lines are gone, and unheld ones were never granted.
bool FakeGpioLines::usable()
{
    if (unplugged || !held)
        error = unplugged ? ENODEV : EBADF;
    return !unplugged && held;
}

bool FakeGpioLines::setConfig(gpio_v2_line_config &config)
{
    ++ioctls;
    calls.push_back("config");
    configs.push_back(config);
    if (!usable())
        return false;
    for (unsigned i = 0; i < current.num_lines; ++i) {
        const std::uint64_t flags = lineFlags(config, i);
        if (!(flags & directionFlags))
            continue; // left as it is
        error = setDirection(current.offsets[i], flags, outputValue(config, i));
        if (error)
            return false; // the lines after it stay as they were
    }
    return true;
}

bool FakeGpioLines::setValues(gpio_v2_line_values &values)
{
    ++ioctls;
    calls.push_back("set");
    writes.push_back(values);
    if (!usable())
        return false;
    std::uint8_t mask = 0;
    std::uint8_t bits = 0;
    for (unsigned i = 0; i < current.num_lines; ++i) {
        if (!((values.mask >> i) & 1u))
            continue;
        const unsigned line = current.offsets[i];
        if (!isOutput(line)) {
            error = EPERM; // the kernel refuses to drive an input
            return false;
        }
        mask |= bitOf(line);
        if ((values.bits >> i) & 1u)
            bits |= bitOf(line);
    }
    askedLow = mask & ~bits;
    error = setMultiple(mask, bits);
    askedLow = 0;
    return error == 0;
}

bool FakeGpioLines::getValues(gpio_v2_line_values &values)
{
    ++ioctls;
    calls.push_back("get");
    reads.push_back(values);
    if (!usable())
        return false;
    error = readAll();
    if (error)
        return false;
    values.bits = 0;
    for (unsigned i = 0; i < current.num_lines; ++i) {
        if ((values.mask >> i) & 1u && level(current.offsets[i]))
            values.bits |= std::uint64_t(1) << i;
    }
    return true;
}

void FakeGpioLines::release()
{
    calls.push_back("release");
    held = false;
}

bool FakeGpioLines::lineInfo(gpio_v2_line_info &info)
{
    ++ioctls;
    if (unplugged || info.offset >= 8) {
        error = unplugged ? ENODEV : EINVAL;
        return false;
    }
    const unsigned line = info.offset;
    info.flags = isOutput(line) ? GPIO_V2_LINE_FLAG_OUTPUT : GPIO_V2_LINE_FLAG_INPUT;
    const std::string &name
        = held && indexOf(line) >= 0 ? std::string("virel-configurator") : consumers[line];
    if (!name.empty())
        info.flags |= GPIO_V2_LINE_FLAG_USED;
    name.copy(info.consumer, sizeof info.consumer - 1);
    return true;
}

bool FakeGpioLines::level(unsigned line) const
{
    return (chipDirections >> line) & 1u ? (inputLevels >> line) & 1u : (chipLatch >> line) & 1u;
}

int FakeGpioLines::indexOf(unsigned line) const
{
    for (unsigned i = 0; held && i < current.num_lines; ++i) {
        if (current.offsets[i] == line)
            return static_cast<int>(i);
    }
    return -1;
}

std::uint64_t FakeGpioLines::lineFlags(const gpio_v2_line_config &config, unsigned index) const
{
    std::uint64_t flags = config.flags;
    for (unsigned a = 0; a < config.num_attrs; ++a) {
        const gpio_v2_line_config_attribute &attr = config.attrs[a];
        if (attr.attr.id == GPIO_V2_LINE_ATTR_ID_FLAGS && (attr.mask >> index) & 1u) {
            flags = attr.attr.flags;
            break;
        }
    }
    return flags;
}

bool FakeGpioLines::outputValue(const gpio_v2_line_config &config, unsigned index) const
{
    for (unsigned a = 0; a < config.num_attrs; ++a) {
        const gpio_v2_line_config_attribute &attr = config.attrs[a];
        if (attr.attr.id == GPIO_V2_LINE_ATTR_ID_OUTPUT_VALUES && (attr.mask >> index) & 1u)
            return (attr.attr.values >> index) & 1u;
    }
    return false;
}

int FakeGpioLines::setDirection(unsigned line, std::uint64_t flags, bool value)
{
    const bool output = flags & GPIO_V2_LINE_FLAG_OUTPUT;
    askedLow = output && !value ? bitOf(line) : 0;
    // mcp_set_direction(): READ_ALL, then CONFIGURE from the cache, then every output again.
    int result = readAll();
    if (result == 0) {
        const std::uint8_t outputsBefore = static_cast<std::uint8_t>(~directions);
        directions = output ? (directions & ~bitOf(line)) : (directions | bitOf(line));
        configured.push_back(directions);
        report();
        chipChange(directions, 0x00, askedLow); // "Configure CMD will clear all IOs"
        setMultiple(outputsBefore, values);
        if (output)
            result = setMultiple(bitOf(line), value ? bitOf(line) : 0);
    }
    askedLow = 0;
    // gpiolib (7.3.4, as run) keeps the line's old direction when the driver's call failed,
    // whatever the driver did.
    if (result == 0)
        isOut = output ? (isOut | bitOf(line)) : (isOut & ~bitOf(line));
    return result;
}

int FakeGpioLines::readAll()
{
    return report() ? ETIMEDOUT : 0;
}

int FakeGpioLines::setMultiple(std::uint8_t mask, std::uint8_t bits)
{
    if (setterError && setterError != EBADE)
        return setterError;
    values = static_cast<std::uint8_t>((values & ~mask) | (bits & mask));
    report();
    const auto outputs = static_cast<std::uint8_t>(~chipDirections);
    chipChange(chipDirections,
        static_cast<std::uint8_t>((chipLatch & ~outputs) | (values & outputs)), askedLow);
    return setterError;
}

void FakeGpioLines::chipChange(
    std::uint8_t newDirections, std::uint8_t newLatch, std::uint8_t asked)
{
    const bool before[2] = {level(2), level(3)};
    chipDirections = newDirections;
    chipLatch = newLatch;
    for (unsigned line = 2; line <= 3; ++line) {
        const std::uint8_t bit = bitOf(line);
        if (before[line - 2] && !level(line) && !(asked & bit)) {
            ++unaskedFalls;
            fallen |= bit;
        } else if (level(line) || (asked & bit)) {
            fallen &= ~bit;
        }
    }
}

bool FakeGpioLines::report()
{
    if (fallen & linkLines)
        ++lowReports;
    if (silentMs > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(silentMs));
    return silentMs > 0;
}
