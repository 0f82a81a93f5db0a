#include "Cable.h"

#include "TraceLog.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <linux/uhid.h>
#include <sstream>
#include <unistd.h>

namespace vcable {

namespace {

const char *const productName = "Microchip Technology Inc. MCP2200 USB Serial Port Emulator";
constexpr std::uint32_t releaseNumber = 0x0101;
// Vendor-defined page 0xFF00: one 16-byte input report and one 16-byte output report, no
// report numbers.
const std::uint8_t reportDescriptor[]
    = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x19, 0x01, 0x29, 0x10, 0x15, 0x00, 0x26, 0xFF,
        0x00, 0x75, 0x08, 0x95, 0x10, 0x81, 0x02, 0x19, 0x01, 0x29, 0x10, 0x91, 0x02, 0xC0};
constexpr std::uint64_t nodeWait = 1'000'000'000;
constexpr std::uint64_t nodeLook = 10'000'000;

void copyText(char *to, std::size_t size, const std::string &text)
{
    std::strncpy(to, text.c_str(), size - 1);
    to[size - 1] = '\0';
}

bool readHex(const std::string &text, unsigned long limit, unsigned long &value)
{
    if (text.empty() || text.size() > 4)
        return false;
    char *end = nullptr;
    value = std::strtoul(text.c_str(), &end, 16);
    return *end == '\0' && value <= limit;
}

bool readNumber(const std::string &text, long &value, bool negativeToo = false)
{
    if (text.empty())
        return false;
    char *end = nullptr;
    errno = 0;
    value = std::strtol(text.c_str(), &end, 10);
    return *end == '\0' && errno == 0 && (value >= 0 || negativeToo);
}

std::vector<std::string> entries(const std::string &folder)
{
    std::vector<std::string> names;
    DIR *dir = ::opendir(folder.c_str());
    if (dir == nullptr)
        return names;
    while (const dirent *entry = ::readdir(dir))
        if (entry->d_name[0] != '.')
            names.emplace_back(entry->d_name);
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

// The HID device the kernel made for this physical path, and the nodes it has so far.
std::string findDevice(const std::string &root, const std::string &phys, std::string &nodes)
{
    for (const std::string &name : entries(root)) {
        std::ifstream uevent(root + "/" + name + "/uevent");
        std::string text;
        bool ours = false;
        while (std::getline(uevent, text))
            ours = ours || text == "HID_PHYS=" + phys;
        if (!ours)
            continue;
        nodes.clear();
        for (const std::string &node : entries(root + "/" + name + "/hidraw"))
            nodes += " /dev/" + node;
        for (const std::string &node : entries(root + "/" + name))
            if (node.rfind("gpiochip", 0) == 0)
                nodes += " /dev/" + node;
        return name;
    }
    return {};
}

} // namespace

Cable::Cable(int uhidFd, TraceLog &trace, const Options &options, std::uint64_t origin)
    : fd(uhidFd)
    , trace(trace)
    , options(options)
    , origin(origin)
    , line(trace)
    , mcp2200(line, trace, options.chipSettings)
{
    line.detector().setConfig(options.detectorConfig);
    if (options.pollingDetector)
        // A firmware loop's look once a millisecond, off the PC's grid of whole milliseconds.
        line.setPolling(1'000'000, origin + 370'000);
}

bool Cable::plug(std::uint64_t nanoseconds)
{
    if (created)
        return true;
    service(nanoseconds);
    ++plugs;
    phys = "usb-virel-vcable-" + std::to_string(::getpid()) + "-" + std::to_string(plugs)
        + "/input2";
    uhid_event event {};
    event.type = UHID_CREATE2;
    copyText(
        reinterpret_cast<char *>(event.u.create2.name), sizeof event.u.create2.name, productName);
    copyText(reinterpret_cast<char *>(event.u.create2.phys), sizeof event.u.create2.phys, phys);
    event.u.create2.rd_size = sizeof reportDescriptor;
    event.u.create2.bus = options.bus;
    event.u.create2.vendor = vendorId;
    event.u.create2.product = productId;
    event.u.create2.version = releaseNumber;
    std::memcpy(event.u.create2.rd_data, reportDescriptor, sizeof reportDescriptor);
    if (!sendEvent(&event))
        return false;
    created = true;
    started = false;
    mcp2200.powerUp(nanoseconds);
    return true;
}

bool Cable::unplug(std::uint64_t nanoseconds)
{
    if (!created)
        return true;
    service(nanoseconds);
    uhid_event event {};
    event.type = UHID_DESTROY;
    const bool sent = sendEvent(&event);
    const int error = errno;
    created = false;
    started = false;
    announceFrom.reset();
    outputs.clear();
    inputs.clear();
    mcp2200.powerDown(nanoseconds);
    trace.line(nanoseconds, "unplug");
    say("unplugged");
    errno = error;
    return sent;
}

bool Cable::readEvents(std::uint64_t nanoseconds)
{
    for (;;) {
        uhid_event event {};
        const ssize_t got = ::read(fd, &event, sizeof event);
        if (got < 0 && (errno == EAGAIN || errno == EINTR))
            return true;
        if (got <= 0)
            return false;
        if (static_cast<std::size_t>(got) >= sizeof event.type)
            handleEvent(&event, nanoseconds);
    }
}

void Cable::service(std::uint64_t nanoseconds)
{
    for (;;) {
        const std::optional<std::uint64_t> in = nextInputFrame();
        const std::optional<std::uint64_t> out = nextOutputFrame();
        if (in && *in <= nanoseconds && (!out || *in <= *out)) {
            sendInput(inputs.front().report, *in);
            inputs.pop_front();
            lastInputFrame = *in;
        } else if (out && *out <= nanoseconds) {
            const Pending pending = outputs.front();
            outputs.pop_front();
            lastOutputFrame = *out;
            takeOutput(pending, *out);
        } else {
            break;
        }
    }
    mcp2200.catchUp(nanoseconds);
    if (announceFrom && nanoseconds >= nextLook)
        announcePlug(nanoseconds);
}

std::optional<std::uint64_t> Cable::nextWake() const
{
    std::optional<std::uint64_t> next = line.nextDecision();
    for (const auto &frame : {nextInputFrame(), nextOutputFrame()})
        if (frame)
            next = next ? std::min(*next, *frame) : *frame;
    if (announceFrom)
        // Looks again for the device's nodes until they appear.
        next = next ? std::min(*next, nextLook) : nextLook;
    return next;
}

bool Cable::command(const std::string &text, std::uint64_t nanoseconds)
{
    service(nanoseconds);
    std::istringstream words(text);
    std::string verb;
    words >> verb;
    std::string rest;
    std::getline(words >> std::ws, rest);
    long number = 0;
    if (verb == "quit")
        return false;
    if (verb == "unplug") {
        unplug(nanoseconds);
    } else if (verb == "plug") {
        if (!plug(nanoseconds))
            std::fprintf(
                stderr, "virel-vcable: cannot create the device: %s\n", std::strerror(errno));
    } else if (verb == "silent" && rest.empty()) {
        trace.line(nanoseconds, "silent");
        goSilent();
    } else if (verb == "silent-after" && readNumber(rest, number)) {
        trace.line(nanoseconds, "silent-after %ld", number);
        answersLeft = number;
        if (number == 0)
            goSilent();
    } else if (verb == "answer" && rest.empty()) {
        trace.line(nanoseconds, "answer");
        silent = false;
        answersLeft = -1;
    } else if (verb == "stall-limit" && readNumber(rest, number) && number > 0
        && number <= 60'000) {
        trace.line(nanoseconds, "stall-limit %ld", number);
        line.setStallLimit(static_cast<std::uint64_t>(number) * 1'000'000u);
    } else if (verb == "late" && readNumber(rest, number)) {
        trace.line(nanoseconds, "late %ld", number);
        lateNanoseconds = static_cast<std::uint64_t>(number) * frameNanoseconds;
    } else if (verb == "mark") {
        trace.line(nanoseconds, "mark %s", rest.c_str());
        mcp2200.clearCounts();
        line.clearCounts();
    } else if (verb == "summary" && rest.empty()) {
        summary(nanoseconds);
    } else if (verb == "detector" && detectorCommand(rest, nanoseconds)) {
        trace.line(nanoseconds, "fault detector %s", rest.c_str());
    } else if (!verb.empty()) {
        std::fprintf(stderr, "virel-vcable: unknown command: %s\n", text.c_str());
    }
    return true;
}

void Cable::finish(std::uint64_t nanoseconds)
{
    unplug(nanoseconds);
    line.finish(nanoseconds);
    summary(nanoseconds);
}

void Cable::handleEvent(const void *data, std::uint64_t nanoseconds)
{
    const auto &event = *static_cast<const uhid_event *>(data);
    switch (event.type) {
    case UHID_START:
        started = true;
        announceFrom = nanoseconds;
        announcePlug(nanoseconds);
        break;
    case UHID_STOP:
        started = false;
        break;
    case UHID_OUTPUT:
        outputReport(event.u.output.data,
            std::min<std::size_t>(event.u.output.size, sizeof event.u.output.data), nanoseconds);
        break;
    case UHID_GET_REPORT:
        // The chip has no feature reports and answers only on its interrupt endpoint.
        replyToRequest(UHID_GET_REPORT_REPLY, event.u.get_report.id, EIO);
        break;
    case UHID_SET_REPORT:
        if (event.u.set_report.rtype == UHID_OUTPUT_REPORT) {
            outputReport(event.u.set_report.data,
                std::min<std::size_t>(event.u.set_report.size, sizeof event.u.set_report.data),
                nanoseconds);
            replyToRequest(UHID_SET_REPORT_REPLY, event.u.set_report.id, 0);
        } else {
            replyToRequest(UHID_SET_REPORT_REPLY, event.u.set_report.id, EIO);
        }
        break;
    default:
        break;
    }
}

void Cable::outputReport(const std::uint8_t *data, std::size_t size, std::uint64_t nanoseconds)
{
    mcp2200.catchUp(nanoseconds);
    // hidraw hands a device without report numbers its reports after a 0 in their place, which
    // USB's HID driver leaves out of the transfer; the kernel's MCP2200 driver sends them bare.
    if (size > 0 && data[0] == 0) {
        ++data;
        --size;
    }
    Pending pending {{}, nanoseconds};
    std::copy(data, data + std::min(size, pending.report.size()), pending.report.begin());
    trace.bytes(nanoseconds, "report-out", pending.report.data(), pending.report.size());
    if (!silent && created)
        outputs.push_back(pending);
}

void Cable::sendInput(const Mcp2200Chip::Report &report, std::uint64_t nanoseconds)
{
    if (!started)
        return;
    uhid_event event {};
    event.type = UHID_INPUT2;
    event.u.input2.size = static_cast<std::uint16_t>(report.size());
    std::copy(report.begin(), report.end(), event.u.input2.data);
    if (!sendEvent(&event))
        std::fprintf(
            stderr, "virel-vcable: cannot send an input report: %s\n", std::strerror(errno));
    trace.bytes(nanoseconds, "report-in", report.data(), report.size());
}

bool Cable::sendEvent(const void *event)
{
    const ssize_t sent = ::write(fd, event, sizeof(uhid_event));
    return sent == static_cast<ssize_t>(sizeof(uhid_event));
}

void Cable::replyToRequest(std::uint32_t type, std::uint32_t id, int error)
{
    uhid_event event {};
    event.type = type;
    if (type == UHID_GET_REPORT_REPLY) {
        event.u.get_report_reply.id = id;
        event.u.get_report_reply.err = static_cast<std::uint16_t>(error);
    } else {
        event.u.set_report_reply.id = id;
        event.u.set_report_reply.err = static_cast<std::uint16_t>(error);
    }
    sendEvent(&event);
}

void Cable::takeOutput(const Pending &pending, std::uint64_t nanoseconds)
{
    if (silent)
        return;
    const std::optional<Mcp2200Chip::Report> answer = mcp2200.take(pending.report, nanoseconds);
    // The answer is ready for the host's next poll of the interrupt IN endpoint.
    if (answer)
        inputs.push_back({*answer, nanoseconds + frameNanoseconds + lateNanoseconds});
    if (answersLeft > 0 && --answersLeft == 0) {
        // The moment the chip hangs, for whoever judges what the host did next.
        trace.line(nanoseconds, "silent");
        silent = true;
    }
}

std::optional<std::uint64_t> Cable::nextOutputFrame() const
{
    if (outputs.empty())
        return std::nullopt;
    const std::uint64_t frame = frameAtOrAfter(outputs.front().time);
    return lastOutputFrame ? std::max(frame, *lastOutputFrame + frameNanoseconds) : frame;
}

std::optional<std::uint64_t> Cable::nextInputFrame() const
{
    if (inputs.empty())
        return std::nullopt;
    const std::uint64_t frame = frameAtOrAfter(inputs.front().time);
    return lastInputFrame ? std::max(frame, *lastInputFrame + frameNanoseconds) : frame;
}

std::uint64_t Cable::frameAtOrAfter(std::uint64_t nanoseconds) const
{
    if (nanoseconds <= origin)
        return origin;
    const std::uint64_t frames = (nanoseconds - origin + frameNanoseconds - 1) / frameNanoseconds;
    return origin + frames * frameNanoseconds;
}

void Cable::goSilent()
{
    // A hung chip: what it had not sent yet is lost with what it had not taken.
    silent = true;
    answersLeft = -1;
    outputs.clear();
    inputs.clear();
}

void Cable::announcePlug(std::uint64_t nanoseconds)
{
    std::string nodes;
    const std::string name = findDevice(options.sysfsRoot, phys, nodes);
    // The nodes come after the start: wait a while for them, once the device is listed.
    if (!name.empty() && nodes.empty() && nanoseconds < *announceFrom + nodeWait) {
        nextLook = nanoseconds + nodeLook;
        return;
    }
    announceFrom.reset();
    trace.line(nanoseconds, "plug %s%s", name.empty() ? "-" : name.c_str(), nodes.c_str());
    say("plugged");
}

void Cable::summary(std::uint64_t nanoseconds)
{
    const DetectorLine::Counts &counts = line.counts();
    std::vector<std::uint64_t> periods = counts.bitPeriods;
    std::uint64_t median = 0;
    if (!periods.empty()) {
        std::sort(periods.begin(), periods.end());
        const std::size_t half = periods.size() / 2;
        median = periods.size() % 2 != 0 ? periods[half] : (periods[half - 1] + periods[half]) / 2;
    }
    trace.line(nanoseconds,
        "summary configures=%u clock-drops-outside-frames=%u data-drops-outside-frames=%u "
        "median-bit-period-us=%llu frames=%u",
        mcp2200.configureCount(), counts.clockDrops, counts.dataDrops,
        static_cast<unsigned long long>((median + 500) / 1000), counts.frames);
}

bool Cable::detectorCommand(const std::string &arguments, std::uint64_t nanoseconds)
{
    std::istringstream words(arguments);
    std::string what;
    std::string first;
    std::string second;
    words >> what >> first >> second;
    sim::VirtualDetector &detector = line.detector();
    unsigned long value = 0;
    long count = 0;
    if ((what == "absent" || what == "present") && first.empty()) {
        line.setPresent(what == "present", nanoseconds);
        // Pulled out, it lets go of GP4.
        mcp2200.catchUp(nanoseconds);
        return true;
    }
    if (what == "handshake" && readHex(first, 0xFF, value) && second.empty()) {
        detector.setHandshakeReply(static_cast<unsigned char>(value));
        return true;
    }
    if (what == "marker-fault" && readNumber(first, count, true) && second.empty()) {
        detector.setMarkerFault(static_cast<int>(count));
        return true;
    }
    if (what == "store-fault" && readNumber(first, count, true) && readHex(second, 0xFF, value)) {
        detector.setStoreFault(static_cast<int>(count), static_cast<unsigned char>(value));
        return true;
    }
    return false;
}

void Cable::say(const char *text)
{
    if (options.announce == nullptr)
        return;
    std::fprintf(options.announce, "%s\n", text);
    std::fflush(options.announce);
}

} // namespace vcable
