// The MCP2200 library over the kernel's GPIO chip, against line ioctls that succeed or fail at
// random and read random levels.
#include "BridgeCalls.h"
#include "FakeTransportOpener.h"
#include "FuzzBytes.h"
#include "FuzzCheck.h"
#include "FuzzGpioLines.h"
#include "GpioTransport.h"

#include <bitset>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzBytes in(data, size);
    FuzzGpioLines::Seen seen;
    FakeTransportOpener opener;
    opener.gpio = [&in, &seen]() -> std::unique_ptr<Mcp2200Transport> {
        if (in.below(8) == 0)
            return nullptr;
        auto transport = std::make_unique<GpioTransport>(std::make_unique<FuzzGpioLines>(in, seen));
        if (!transport->start())
            return nullptr;
        return transport;
    };
    BridgeCalls::run(in, opener, [&seen](unsigned pin, unsigned value) {
        const std::bitset<64> mask(seen.lastReadMask);
        fuzzRequire(mask.count() == 1, "a pin is read as one line");
        unsigned index = 0;
        while (!mask[index])
            ++index;
        fuzzRequire(index < seen.held.num_lines && seen.held.offsets[index] == pin,
            "the line read is the pin asked for");
        fuzzRequire(value == ((seen.lastReadBits >> index) & 1u), "a pin reads its line's bit");
    });
    return 0;
}
