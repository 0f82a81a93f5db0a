#pragma once

#include "GpioLineIo.h"
#include "Mcp2200Transport.h"

#include <memory>
#include <string>
#include <thread>

// The chip's pins as lines of the kernel's GPIO chip. The kernel driver owns the chip's
// settings, so the baud rate cannot be set this way.
//
// The driver writes the chip's settings (a CONFIGURE, which also clears every output for a
// moment) for each direction it sets, whether it changes or not, so all eight lines are held in
// one request taken as the kernel has them, and only directions that really change are set.
// The driver waits seconds for a chip that does not answer: the ioctls run on a thread of the
// transport's own, and a call waits for them only a bounded time.
class GpioTransport : public Mcp2200Transport
{
public:
    static constexpr const char *consumer = "virel-configurator";
    // How long a pin call, and a call that sets directions, waits for the kernel before the
    // chip counts as silent; until the ioctl given up on ends, calls fail at once. A round trip
    // to the chip takes milliseconds, but far longer at times on a loaded machine, and one call
    // given up on ends the exchange; the window still never waits half a second.
    struct Waits
    {
        int pinMs = 250;
        int setupMs = 300;
    };
    // The waits of the transports made from now on (tests lengthen them, so that a loaded
    // machine cannot make a fake chip look silent).
    static Waits waits;

    explicit GpioTransport(std::unique_ptr<GpioLineIo> io, std::string node = {});
    ~GpioTransport() override;
    GpioTransport(const GpioTransport &) = delete;
    GpioTransport &operator=(const GpioTransport &) = delete;

    // Takes every line as the kernel has it, which writes nothing to the chip. The first
    // setDirections() sets the caller's directions, the link's outputs at their idle level
    // (high) first. A pin written before that makes the link's 2 and 3 outputs and the
    // detector's 4 an input; the others keep the directions the kernel has for them, unless it
    // has every line as an output (as its driver starts), when they become inputs, so that no
    // pin the link does not drive fights what the cable wires to it.
    bool start();
    // After a refused start(): its errno, and the program holding a line if the kernel names
    // one.
    int requestError() const { return startError; }
    std::string holder();

    std::string deviceNode() const override { return node; }
    bool isAlive() override;
    bool isLost() const override { return lost; }
    bool isSilent() const override { return silent; }
    Mcp2200Fault failure() const override { return lastFailure; }
    bool writePin(unsigned pin, bool high) override;
    bool readPin(unsigned pin, bool &high) override;
    bool setDirections(std::uint8_t ioMap) override;
    bool setBaudRate(unsigned long baudRate) override;
    bool configure(
        std::uint8_t ioMap, unsigned long baudRate, const Mcp2200AltFunctions &alt) override;

    struct Shared;

private:
    // Runs `job` on the worker and notes how it ended; false when it failed or was given up on.
    template<typename Job> bool run(Job job, int waitMs);

    std::shared_ptr<Shared> shared;
    std::thread worker;
    std::string node;
    const Waits wait = waits;
    int startError = 0;
    bool lost = false;
    bool silent = false;
    Mcp2200Fault lastFailure;
};
