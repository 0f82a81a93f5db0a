#include "FuzzGpioLines.h"

#include "FuzzBytes.h"
#include "FuzzCheck.h"

#include <cstring>

FuzzGpioLines::FuzzGpioLines(FuzzBytes &in, Seen &seen)
    : in(in)
    , seen(seen)
{ }

FuzzGpioLines::~FuzzGpioLines()
{
    seen.holding = false;
}

bool FuzzGpioLines::request(gpio_v2_line_request &request)
{
    fuzzRequire(!seen.holding, "lines are released before they are asked for again");
    fuzzRequire(request.num_lines <= 8, "at most the chip's eight lines are asked for");
    unsigned asked = 0;
    for (unsigned i = 0; i < request.num_lines; ++i) {
        fuzzRequire(request.offsets[i] < 8 && !((asked >> request.offsets[i]) & 1u),
            "lines are asked for once each");
        asked |= 1u << request.offsets[i];
    }
    fuzzRequire(std::memchr(request.consumer, '\0', sizeof request.consumer) != nullptr,
        "the consumer name ends within its field");
    fuzzRequire(request.config.num_attrs <= GPIO_V2_LINE_NUM_ATTRS_MAX, "attributes fit");
    const std::uint64_t lines = (std::uint64_t(1) << request.num_lines) - 1;
    for (unsigned a = 0; a < request.config.num_attrs; ++a)
        fuzzRequire(
            (request.config.attrs[a].mask & ~lines) == 0, "attributes name only lines asked for");
    if (!granted())
        return false;
    seen.held = request;
    seen.holding = true;
    apply(request.config);
    return true;
}

bool FuzzGpioLines::setConfig(gpio_v2_line_config &config)
{
    fuzzRequire(seen.holding, "lines are set up only while held");
    fuzzRequire(config.num_attrs <= GPIO_V2_LINE_NUM_ATTRS_MAX, "attributes fit");
    for (unsigned a = 0; a < config.num_attrs; ++a)
        fuzzRequire((config.attrs[a].mask & ~heldMask()) == 0, "attributes name only held lines");
    if (!granted())
        return false;
    apply(config);
    return true;
}

bool FuzzGpioLines::lineInfo(gpio_v2_line_info &info)
{
    fuzzRequire(info.offset < 8, "only the chip's lines are asked about");
    if (!granted())
        return false;
    info.flags
        = (seen.outputs >> info.offset) & 1u ? GPIO_V2_LINE_FLAG_OUTPUT : GPIO_V2_LINE_FLAG_INPUT;
    return true;
}

void FuzzGpioLines::apply(const gpio_v2_line_config &config)
{
    for (unsigned i = 0; i < seen.held.num_lines; ++i) {
        std::uint64_t flags = config.flags;
        for (unsigned a = 0; a < config.num_attrs; ++a) {
            const gpio_v2_line_config_attribute &attr = config.attrs[a];
            if (attr.attr.id == GPIO_V2_LINE_ATTR_ID_FLAGS && (attr.mask >> i) & 1u)
                flags = attr.attr.flags;
        }
        const auto bit = static_cast<std::uint8_t>(1u << seen.held.offsets[i]);
        if (flags & GPIO_V2_LINE_FLAG_OUTPUT)
            seen.outputs |= bit;
        else if (flags & GPIO_V2_LINE_FLAG_INPUT)
            seen.outputs &= static_cast<std::uint8_t>(~bit);
    }
}

bool FuzzGpioLines::setValues(gpio_v2_line_values &values)
{
    fuzzRequire(seen.holding, "lines are driven only while held");
    fuzzRequire(values.mask != 0 && (values.mask & ~heldMask()) == 0, "only held lines are driven");
    for (unsigned i = 0; i < seen.held.num_lines; ++i)
        fuzzRequire(!((values.mask >> i) & 1u) || isOutput(i), "only outputs are driven");
    return granted();
}

bool FuzzGpioLines::getValues(gpio_v2_line_values &values)
{
    fuzzRequire(seen.holding, "lines are read only while held");
    fuzzRequire((values.mask & ~heldMask()) == 0, "only held lines are read");
    if (!granted())
        return false;
    // Bits outside the mask too: the transport must look only at the one it asked for.
    values.bits = std::uint64_t(in.word()) << 32 | in.word();
    seen.lastReadMask = values.mask;
    seen.lastReadBits = values.bits;
    return true;
}

void FuzzGpioLines::release()
{
    seen.holding = false;
}

bool FuzzGpioLines::granted()
{
    return in.below(8) != 0;
}

bool FuzzGpioLines::isOutput(unsigned index) const
{
    return (seen.outputs >> seen.held.offsets[index]) & 1u;
}

std::uint64_t FuzzGpioLines::heldMask() const
{
    return (std::uint64_t(1) << seen.held.num_lines) - 1;
}
