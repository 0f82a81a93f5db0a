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
        lastRequestError = unplugged ? ENODEV : failRequests ? failError : EBUSY;
        return false;
    }
    current = request;
    held = true;
    for (unsigned i = 0; i < request.num_lines; ++i) {
        for (unsigned a = 0; a < request.config.num_attrs; ++a) {
            const gpio_v2_line_config_attribute &attr = request.config.attrs[a];
            if (attr.attr.id == GPIO_V2_LINE_ATTR_ID_OUTPUT_VALUES && (attr.mask >> i) & 1u) {
                const auto bit = static_cast<std::uint8_t>(1u << request.offsets[i]);
                outputLevels
                    = (attr.attr.values >> i) & 1u ? (outputLevels | bit) : (outputLevels & ~bit);
            }
        }
    }
    return true;
}

bool FakeGpioLines::setValues(gpio_v2_line_values &values)
{
    calls.push_back("set");
    writes.push_back(values);
    if (unplugged || !held)
        return false;
    for (unsigned i = 0; i < current.num_lines; ++i) {
        if (!((values.mask >> i) & 1u))
            continue;
        if (!isOutput(i))
            return false; // the kernel refuses to drive an input
        const auto bit = static_cast<std::uint8_t>(1u << current.offsets[i]);
        outputLevels = (values.bits >> i) & 1u ? (outputLevels | bit) : (outputLevels & ~bit);
    }
    return true;
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
    bool output = current.config.flags & GPIO_V2_LINE_FLAG_OUTPUT;
    for (unsigned a = 0; a < current.config.num_attrs; ++a) {
        const gpio_v2_line_config_attribute &attr = current.config.attrs[a];
        if (attr.attr.id == GPIO_V2_LINE_ATTR_ID_FLAGS && (attr.mask >> index) & 1u)
            output = attr.attr.flags & GPIO_V2_LINE_FLAG_OUTPUT;
    }
    return output;
}

std::string FakeGpioLines::lineConsumer(unsigned line)
{
    return line < consumers.size() ? consumers[line] : std::string();
}
