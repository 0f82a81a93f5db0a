#include "BridgeCalls.h"

#include "FuzzBytes.h"
#include "FuzzCheck.h"
#include "Mcp2200Bridge.h"

#include <cstdint>

namespace {

void readPin(FuzzBytes &in, Mcp2200Bridge &bridge, const BridgeCalls::ReadCheck &check)
{
    const unsigned pin = in.below(10);
    if (in.below(8) == 0) {
        fuzzRequire(!bridge.readPin(pin, nullptr), "a read without a place for its value fails");
        return;
    }
    unsigned value = 7;
    const bool ok = bridge.readPin(pin, &value);
    fuzzRequire(value == 0 || value == 1, "a pin reads 0 or 1");
    fuzzRequire(ok || value == 1, "a failed read reads as an idle line, 1");
    if (ok)
        check(pin, value);
}

void configure(FuzzBytes &in, Mcp2200Bridge &bridge)
{
    const std::uint8_t mask = in.byte();
    const unsigned long baudRate = in.word();
    const unsigned rxLed = in.byte();
    const unsigned txLed = in.byte();
    const std::uint8_t options = in.byte();
    bridge.configure(mask, baudRate, rxLed, txLed, options & 1, options & 2, options & 4);
}

} // namespace

void BridgeCalls::run(FuzzBytes &in, TransportOpener &opener, const ReadCheck &check)
{
    std::int64_t now = 0;
    // The reasons it would tell the user go nowhere: thousands of runs would repeat them.
    Mcp2200Bridge bridge(
        opener, [&now] { return now; }, [](const std::string &) {});
    while (!in.empty()) {
        now += 400 * in.below(4);
        switch (in.below(9)) {
        case 0:
            bridge.init(0x04D8, 0x00DF);
            break;
        case 1:
            bridge.isConnected();
            break;
        case 2:
            bridge.configureIO(in.byte());
            break;
        case 3:
            bridge.setPin(in.below(10));
            break;
        case 4:
            bridge.clearPin(in.below(10));
            break;
        case 5:
            readPin(in, bridge, check);
            break;
        case 6:
            bridge.setBaudRate(int(in.word()));
            break;
        default:
            configure(in, bridge);
            break;
        }
    }
}
