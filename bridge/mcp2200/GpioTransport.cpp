#include "GpioTransport.h"

#include <cstring>

namespace {

constexpr std::uint8_t linkLines = 0x1C; // lines 2, 3 and 4
constexpr std::uint8_t startInputs = 0xF3; // all but the link's outputs 2 and 3
constexpr std::uint8_t idleLatch = 0x0C; // lines 2 and 3 high
constexpr unsigned detectorLine = 4;

// The kernel sets the lines up one by one in request order, and its MCP2200 driver writes every
// direction it does not know yet as an output: inputs go first, the detector's line leading, so
// that a pin another device drives is an output for as short a time as can be.
std::vector<unsigned> requestOrder(std::uint8_t lines, std::uint8_t inputs)
{
    std::vector<unsigned> order;
    const auto wanted = [&](unsigned line, bool input) {
        return ((lines >> line) & 1u) && ((inputs >> line) & 1u) == input;
    };
    if (wanted(detectorLine, true))
        order.push_back(detectorLine);
    for (unsigned line = 0; line < 8; ++line) {
        if (line != detectorLine && wanted(line, true))
            order.push_back(line);
    }
    for (unsigned line = 0; line < 8; ++line) {
        if (wanted(line, false))
            order.push_back(line);
    }
    return order;
}

} // namespace

GpioTransport::GpioTransport(std::unique_ptr<GpioLineIo> io, std::string node)
    : io(std::move(io))
    , node(std::move(node))
{ }

bool GpioTransport::start()
{
    latch = idleLatch;
    return requestLines(0xFF, startInputs);
}

std::string GpioTransport::holder() const
{
    for (unsigned line = 0; line < 8; ++line) {
        if (!((linkLines >> line) & 1u))
            continue;
        std::string consumer = io->lineConsumer(line);
        if (!consumer.empty())
            return consumer;
    }
    return {};
}

bool GpioTransport::isAlive()
{
    if (heldOrder.empty())
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
    if (!granted(doneAnyway(io->setValues(values))))
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
    heldInputs = 0;
    heldOrder.clear();

    const std::vector<unsigned> order = requestOrder(lines, inputs);
    std::uint8_t switched = 0;
    while (!requestOnce(order, inputs, switched)) {
        // Since Linux 6.16 the MCP2200 driver's setters return the report's byte count, which
        // gpiolib turns into EBADE: the first output not yet switched did become an output, but
        // the request was undone there. Take that line as it is and ask again.
        unsigned next = 8;
        for (unsigned line : order) {
            if (!((inputs >> line) & 1u) && !((switched >> line) & 1u)) {
                next = line;
                break;
            }
        }
        if (io->lastError() != EBADE || next == 8)
            return granted(false);
        switched = static_cast<std::uint8_t>(switched | 1u << next);
    }
    heldInputs = static_cast<std::uint8_t>(inputs & lines);
    heldOrder = order;
    return true;
}

bool GpioTransport::requestOnce(
    const std::vector<unsigned> &order, std::uint8_t inputs, std::uint8_t switched)
{
    gpio_v2_line_request request {};
    std::strncpy(request.consumer, consumer, sizeof request.consumer - 1);
    std::uint64_t outputBits = 0;
    std::uint64_t outputValues = 0;
    std::uint64_t asTheyAre = 0;
    for (unsigned line : order) {
        const std::uint64_t bit = std::uint64_t(1) << request.num_lines;
        request.offsets[request.num_lines++] = line;
        if ((switched >> line) & 1u)
            asTheyAre |= bit;
        else if (!((inputs >> line) & 1u)) {
            outputBits |= bit;
            if ((latch >> line) & 1u)
                outputValues |= bit;
        }
    }
    request.config.flags = GPIO_V2_LINE_FLAG_INPUT;
    gpio_v2_line_config_attribute *attr = request.config.attrs;
    if (outputBits) {
        attr->attr.id = GPIO_V2_LINE_ATTR_ID_FLAGS;
        attr->attr.flags = GPIO_V2_LINE_FLAG_OUTPUT;
        attr->mask = outputBits;
        ++attr;
        attr->attr.id = GPIO_V2_LINE_ATTR_ID_OUTPUT_VALUES;
        attr->attr.values = outputValues;
        attr->mask = outputBits;
        ++attr;
    }
    if (asTheyAre) {
        // No direction flag: the kernel leaves the line's direction, and its level, alone.
        attr->attr.id = GPIO_V2_LINE_ATTR_ID_FLAGS;
        attr->attr.flags = 0;
        attr->mask = asTheyAre;
        ++attr;
    }
    request.config.num_attrs = static_cast<std::uint32_t>(attr - request.config.attrs);
    return io->request(request);
}

std::uint64_t GpioTransport::requestBit(unsigned pin) const
{
    for (std::size_t i = 0; i < heldOrder.size(); ++i) {
        if (heldOrder[i] == pin)
            return std::uint64_t(1) << i;
    }
    return 0;
}

bool GpioTransport::doneAnyway(bool ok) const
{
    // The same driver change as in requestLines: the pins were set, the count came back.
    return ok || io->lastError() == EBADE;
}

bool GpioTransport::granted(bool ok)
{
    if (!ok)
        lost = true;
    return ok;
}

std::uint64_t GpioTransport::heldBits() const
{
    return heldOrder.empty() ? 0 : (std::uint64_t(1) << heldOrder.size()) - 1;
}
