#include "FakeGpioLines.h"

FakeGpioLines::~FakeGpioLines()
{
    if (destroyed)
        *destroyed = true;
}

bool FakeGpioLines::request(gpio_v2_line_request &request)
{
    calls.push_back("request");
    requests.push_back(request);
    if (unplugged || failRequests || held) {
        error = unplugged ? ENODEV : failRequests ? failError : EBUSY;
        return false;
    }
    current = request;
    for (unsigned i = 0; i < request.num_lines; ++i) {
        const auto bit = static_cast<std::uint8_t>(1u << request.offsets[i]);
        const std::uint64_t flags = lineFlags(request, i);
        if (!(flags & (GPIO_V2_LINE_FLAG_INPUT | GPIO_V2_LINE_FLAG_OUTPUT)))
            continue;
        const bool output = flags & GPIO_V2_LINE_FLAG_OUTPUT;
        directions = output ? (directions & ~bit) : (directions | bit);
        configured.push_back(directions);
        if (!output)
            continue;
        for (unsigned a = 0; a < request.config.num_attrs; ++a) {
            const gpio_v2_line_config_attribute &attr = request.config.attrs[a];
            if (attr.attr.id == GPIO_V2_LINE_ATTR_ID_OUTPUT_VALUES && (attr.mask >> i) & 1u)
                outputLevels
                    = (attr.attr.values >> i) & 1u ? (outputLevels | bit) : (outputLevels & ~bit);
        }
        if (setterError) {
            // The kernel undoes the request at the first line that failed.
            error = setterError;
            return false;
        }
    }
    held = true;
    return true;
}

bool FakeGpioLines::setValues(gpio_v2_line_values &values)
{
    calls.push_back("set");
    writes.push_back(values);
    if (unplugged || !held) {
        error = unplugged ? ENODEV : EBADF;
        return false;
    }
    for (unsigned i = 0; i < current.num_lines; ++i) {
        if (!((values.mask >> i) & 1u))
            continue;
        if (!isOutput(i)) {
            error = EPERM; // the kernel refuses to drive an input
            return false;
        }
        const auto bit = static_cast<std::uint8_t>(1u << current.offsets[i]);
        outputLevels = (values.bits >> i) & 1u ? (outputLevels | bit) : (outputLevels & ~bit);
    }
    error = setterError;
    return setterError == 0;
}

bool FakeGpioLines::getValues(gpio_v2_line_values &values)
{
    calls.push_back("get");
    reads.push_back(values);
    if (unplugged || !held)
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

bool FakeGpioLines::level(unsigned line) const
{
    for (unsigned i = 0; held && i < current.num_lines; ++i) {
        if (current.offsets[i] == line && isOutput(i))
            return (outputLevels >> line) & 1u;
    }
    return (inputLevels >> line) & 1u;
}

bool FakeGpioLines::isOutput(unsigned index) const
{
    const std::uint64_t flags = lineFlags(current, index);
    if (flags & (GPIO_V2_LINE_FLAG_INPUT | GPIO_V2_LINE_FLAG_OUTPUT))
        return flags & GPIO_V2_LINE_FLAG_OUTPUT;
    return !((directions >> current.offsets[index]) & 1u);
}

std::uint64_t FakeGpioLines::lineFlags(const gpio_v2_line_request &request, unsigned index) const
{
    std::uint64_t flags = request.config.flags;
    for (unsigned a = 0; a < request.config.num_attrs; ++a) {
        const gpio_v2_line_config_attribute &attr = request.config.attrs[a];
        if (attr.attr.id == GPIO_V2_LINE_ATTR_ID_FLAGS && (attr.mask >> index) & 1u)
            flags = attr.attr.flags;
    }
    return flags;
}

std::string FakeGpioLines::lineConsumer(unsigned line)
{
    return line < consumers.size() ? consumers[line] : std::string();
}
