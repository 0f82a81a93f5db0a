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
    if (unplugged || failRequests || held_)
        return false;
    current_ = request;
    held_ = true;
    for (unsigned i = 0; i < request.num_lines; ++i) {
        for (unsigned a = 0; a < request.config.num_attrs; ++a) {
            const gpio_v2_line_config_attribute &attr = request.config.attrs[a];
            if (attr.attr.id == GPIO_V2_LINE_ATTR_ID_OUTPUT_VALUES && (attr.mask >> i) & 1u) {
                const auto bit = static_cast<std::uint8_t>(1u << request.offsets[i]);
                outputLevels_
                    = (attr.attr.values >> i) & 1u ? (outputLevels_ | bit) : (outputLevels_ & ~bit);
            }
        }
    }
    return true;
}

bool FakeGpioLines::setValues(gpio_v2_line_values &values)
{
    calls.push_back("set");
    writes.push_back(values);
    if (unplugged || !held_)
        return false;
    for (unsigned i = 0; i < current_.num_lines; ++i) {
        if (!((values.mask >> i) & 1u))
            continue;
        if (!isOutput(i))
            return false; // the kernel refuses to drive an input
        const auto bit = static_cast<std::uint8_t>(1u << current_.offsets[i]);
        outputLevels_ = (values.bits >> i) & 1u ? (outputLevels_ | bit) : (outputLevels_ & ~bit);
    }
    return true;
}

bool FakeGpioLines::getValues(gpio_v2_line_values &values)
{
    calls.push_back("get");
    reads.push_back(values);
    if (unplugged || !held_)
        return false;
    values.bits = 0;
    for (unsigned i = 0; i < current_.num_lines; ++i) {
        if ((values.mask >> i) & 1u && level(current_.offsets[i]))
            values.bits |= std::uint64_t(1) << i;
    }
    return true;
}

void FakeGpioLines::release()
{
    calls.push_back("release");
    held_ = false;
}

bool FakeGpioLines::level(unsigned line) const
{
    for (unsigned i = 0; held_ && i < current_.num_lines; ++i) {
        if (current_.offsets[i] == line && isOutput(i))
            return (outputLevels_ >> line) & 1u;
    }
    return (inputLevels >> line) & 1u;
}

bool FakeGpioLines::isOutput(unsigned index) const
{
    bool output = current_.config.flags & GPIO_V2_LINE_FLAG_OUTPUT;
    for (unsigned a = 0; a < current_.config.num_attrs; ++a) {
        const gpio_v2_line_config_attribute &attr = current_.config.attrs[a];
        if (attr.attr.id == GPIO_V2_LINE_ATTR_ID_FLAGS && (attr.mask >> index) & 1u)
            output = attr.attr.flags & GPIO_V2_LINE_FLAG_OUTPUT;
    }
    return output;
}
