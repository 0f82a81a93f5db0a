#include "GpioTransport.h"

#include <cstring>

namespace {

constexpr std::uint8_t startLines = 0x1C; // lines 2, 3 and 4
constexpr std::uint8_t startInputs = 0x10; // line 4
constexpr std::uint8_t idleLatch = 0x0C; // lines 2 and 3 high

} // namespace

GpioTransport::GpioTransport(std::unique_ptr<GpioLineIo> io, std::string node)
    : io(std::move(io))
    , node(std::move(node))
{ }

bool GpioTransport::start()
{
    latch = idleLatch;
    return requestLines(startLines, startInputs);
}

std::string GpioTransport::holder() const
{
    for (unsigned line = 0; line < 8; ++line) {
        if (!((startLines >> line) & 1u))
            continue;
        std::string consumer = io->lineConsumer(line);
        if (!consumer.empty())
            return consumer;
    }
    return {};
}

bool GpioTransport::isAlive()
{
    if (heldLines == 0)
        return false;
    gpio_v2_line_values values {};
    values.mask = heldBits();
    return granted(io->getValues(values));
}

bool GpioTransport::writePin(unsigned pin, bool high)
{
    const std::uint64_t bit = requestBit(pin);
    if (bit == 0 || (heldInputs >> pin) & 1u)
        return false;
    gpio_v2_line_values values {};
    values.mask = bit;
    values.bits = high ? bit : 0;
    if (!granted(io->setValues(values)))
        return false;
    const auto pinBit = static_cast<std::uint8_t>(1u << pin);
    latch = high ? static_cast<std::uint8_t>(latch | pinBit)
                 : static_cast<std::uint8_t>(latch & ~pinBit);
    return true;
}

bool GpioTransport::readPin(unsigned pin, bool &high)
{
    const std::uint64_t bit = requestBit(pin);
    if (bit == 0)
        return false;
    gpio_v2_line_values values {};
    values.mask = bit;
    if (!granted(io->getValues(values)))
        return false;
    high = (values.bits & bit) != 0;
    return true;
}

bool GpioTransport::setDirections(std::uint8_t ioMap)
{
    return requestLines(0xFF, ioMap);
}

bool GpioTransport::setBaudRate(unsigned long)
{
    return false;
}

bool GpioTransport::configure(std::uint8_t ioMap, unsigned long, const Mcp2200AltFunctions &)
{
    // The directions can be applied; the baud rate and the pin functions cannot.
    setDirections(ioMap);
    return false;
}

bool GpioTransport::requestLines(std::uint8_t lines, std::uint8_t inputs)
{
    io->release();
    heldLines = 0;
    heldInputs = 0;

    gpio_v2_line_request request {};
    std::strncpy(request.consumer, consumer, sizeof request.consumer - 1);
    std::uint64_t outputBits = 0;
    std::uint64_t outputValues = 0;
    for (unsigned line = 0; line < 8; ++line) {
        if (!((lines >> line) & 1u))
            continue;
        const std::uint64_t bit = std::uint64_t(1) << request.num_lines;
        request.offsets[request.num_lines++] = line;
        if (!((inputs >> line) & 1u)) {
            outputBits |= bit;
            if ((latch >> line) & 1u)
                outputValues |= bit;
        }
    }
    request.config.flags = GPIO_V2_LINE_FLAG_INPUT;
    if (outputBits) {
        gpio_v2_line_config_attribute &direction = request.config.attrs[0];
        direction.attr.id = GPIO_V2_LINE_ATTR_ID_FLAGS;
        direction.attr.flags = GPIO_V2_LINE_FLAG_OUTPUT;
        direction.mask = outputBits;
        gpio_v2_line_config_attribute &levels = request.config.attrs[1];
        levels.attr.id = GPIO_V2_LINE_ATTR_ID_OUTPUT_VALUES;
        levels.attr.values = outputValues;
        levels.mask = outputBits;
        request.config.num_attrs = 2;
    }
    if (!granted(io->request(request)))
        return false;
    heldLines = lines;
    heldInputs = static_cast<std::uint8_t>(inputs & lines);
    return true;
}

std::uint64_t GpioTransport::requestBit(unsigned pin) const
{
    if (pin >= 8 || !((heldLines >> pin) & 1u))
        return 0;
    unsigned index = 0;
    for (unsigned line = 0; line < pin; ++line)
        index += (heldLines >> line) & 1u;
    return std::uint64_t(1) << index;
}

bool GpioTransport::granted(bool ok)
{
    if (!ok)
        lost = true;
    return ok;
}

std::uint64_t GpioTransport::heldBits() const
{
    std::uint64_t bits = 0;
    for (unsigned line = 0, index = 0; line < 8; ++line) {
        if ((heldLines >> line) & 1u)
            bits |= std::uint64_t(1) << index++;
    }
    return bits;
}
