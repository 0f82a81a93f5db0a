#pragma once

#include "GpioLineIo.h"
#include "Mcp2200Transport.h"

#include <memory>
#include <vector>

// The chip's pins as lines of the kernel's GPIO chip. The kernel driver owns the chip's
// settings, so the baud rate cannot be set this way.
class GpioTransport : public Mcp2200Transport
{
public:
    static constexpr const char *consumer = "virel-configurator";

    explicit GpioTransport(std::unique_ptr<GpioLineIo> io, std::string node = {});

    // Takes every line: the link's 2 and 3 as outputs at their idle level (high), the rest as
    // inputs, so that no pin the link does not drive fights what the cable wires to it.
    bool start();
    // After a refused start(): its errno, and the program holding the link's lines if the
    // kernel names one.
    int requestError() const { return io->lastError(); }
    std::string holder() const;

    std::string deviceNode() const override { return node; }
    bool isAlive() override;
    bool isLost() const override { return lost; }
    bool writePin(unsigned pin, bool high) override;
    bool readPin(unsigned pin, bool &high) override;
    bool setDirections(std::uint8_t ioMap) override;
    bool setBaudRate(unsigned long baudRate) override;
    bool configure(
        std::uint8_t ioMap, unsigned long baudRate, const Mcp2200AltFunctions &alt) override;

private:
    // Releases the held lines and requests `lines` (bit n = line n), those in `inputs` as
    // inputs, the rest as outputs driven from the latch.
    bool requestLines(std::uint8_t lines, std::uint8_t inputs);
    // One request for `order`; the outputs in `switched` are taken as the chip has them.
    bool requestOnce(
        const std::vector<unsigned> &order, std::uint8_t inputs, std::uint8_t switched);
    // Bit of a pin in the held request's value bitmaps; 0 when the pin is not held.
    std::uint64_t requestBit(unsigned pin) const;
    std::uint64_t heldBits() const;
    // A write the kernel refused with EBADE was done all the same (see writePin).
    bool doneAnyway(bool ok) const;
    // Every ioctl the transport makes is one the kernel grants while the chip is there.
    bool granted(bool ok);

    std::unique_ptr<GpioLineIo> io;
    std::string node;
    // The held lines in request order: the value bitmaps' bit i is heldOrder[i].
    std::vector<unsigned> heldOrder;
    std::uint8_t heldInputs = 0;
    // Last level written to each output, kept across re-requests.
    std::uint8_t latch = 0;
    bool lost = false;
};
