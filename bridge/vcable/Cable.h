#pragma once

#include "DetectorLine.h"
#include "Mcp2200Chip.h"

#include <cstdint>
#include <cstdio>
#include <deque>
#include <linux/input.h>
#include <optional>
#include <string>
#include <vector>

namespace vcable {

class TraceLog;

// The MCP2200 cable as the kernel's uhid device sees it: it creates and destroys the HID
// device on a uhid file descriptor (or anything that carries struct uhid_event the same way),
// turns its output reports into the chip's actions and sends the chip's answers back as input
// reports, at the pace of a full-speed interrupt endpoint: one report each way per 1 ms frame.
class Cable
{
public:
    static constexpr std::uint64_t frameNanoseconds = 1'000'000;
    static constexpr unsigned int vendorId = 0x04D8;
    static constexpr unsigned int productId = 0x00DF;

    struct Options
    {
        bool pollingDetector = false;
        // The bus the device claims to be on: USB, as the real chip, or I2C, on which the
        // kernel's MCP2200 driver, which matches USB only, leaves it to hidraw.
        std::uint16_t bus = BUS_USB;
        sim::VirtualDetector::Config detectorConfig {0x01, 20, 3, 7, 15};
        Mcp2200Chip::Settings chipSettings;
        // Where the kernel lists HID devices, to name the one made; none found: "-".
        std::string sysfsRoot = "/sys/bus/hid/devices";
        // Gets "plugged" and "unplugged" lines; none if null.
        std::FILE *announce = nullptr;
    };

    // Times count on the same clock as `origin`, which the 1 ms frames are counted from.
    Cable(int uhidFd, TraceLog &trace, const Options &options, std::uint64_t origin);

    // False, with errno set, when the descriptor refused the request.
    bool plug(std::uint64_t nanoseconds);
    bool unplug(std::uint64_t nanoseconds);
    bool isPlugged() const { return created; }
    // Handles every event waiting on the descriptor; false when it failed or was closed.
    bool readEvents(std::uint64_t nanoseconds);
    // Acts on everything due up to that moment.
    void service(std::uint64_t nanoseconds);
    // The moment service() next has something to do, if any.
    std::optional<std::uint64_t> nextWake() const;
    // One control line; false for "quit".
    bool command(const std::string &line, std::uint64_t nanoseconds);
    // Destroys the device and writes the last summary.
    void finish(std::uint64_t nanoseconds);

    const Mcp2200Chip &chip() const { return mcp2200; }

private:
    struct Pending
    {
        Mcp2200Chip::Report report;
        std::uint64_t time; // arrival of an output report, due frame of an input one
    };

    void handleEvent(const void *event, std::uint64_t nanoseconds);
    void outputReport(const std::uint8_t *data, std::size_t size, std::uint64_t nanoseconds);
    void sendInput(const Mcp2200Chip::Report &report, std::uint64_t nanoseconds);
    bool sendEvent(const void *event);
    void replyToRequest(std::uint32_t type, std::uint32_t id, int error);
    void takeOutput(const Pending &pending, std::uint64_t nanoseconds);
    std::optional<std::uint64_t> nextOutputFrame() const;
    std::optional<std::uint64_t> nextInputFrame() const;
    std::uint64_t frameAtOrAfter(std::uint64_t nanoseconds) const;
    void goSilent();
    void announcePlug(std::uint64_t nanoseconds);
    void summary(std::uint64_t nanoseconds);
    bool detectorCommand(const std::string &arguments, std::uint64_t nanoseconds);
    void say(const char *text);

    int fd;
    TraceLog &trace;
    Options options;
    std::uint64_t origin;
    DetectorLine line;
    Mcp2200Chip mcp2200;

    bool created = false;
    bool started = false;
    unsigned int plugs = 0;
    std::string phys;
    std::optional<std::uint64_t> announceFrom; // started, not yet announced
    std::uint64_t nextLook = 0;
    std::deque<Pending> outputs;
    std::deque<Pending> inputs;
    std::optional<std::uint64_t> lastOutputFrame;
    std::optional<std::uint64_t> lastInputFrame;
    bool silent = false;
    long answersLeft = -1; // before silence; -1: no limit
    std::uint64_t lateNanoseconds = 0;
};

} // namespace vcable
