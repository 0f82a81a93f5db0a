// The MCP2200 library over hidraw, against a device that answers at random.
#include "BridgeCalls.h"
#include "FakeTransportOpener.h"
#include "FuzzBytes.h"
#include "FuzzCheck.h"
#include "FuzzHidDevice.h"
#include "HidTransport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzBytes in(data, size);
    FuzzHidDevice::LastAnswer last;
    FakeTransportOpener opener;
    opener.hid = [&in, &last]() -> std::unique_ptr<Mcp2200Transport> {
        if (in.below(8) == 0)
            return nullptr;
        return std::make_unique<HidTransport>(std::make_unique<FuzzHidDevice>(in, last));
    };
    BridgeCalls::run(in, opener, [&last](unsigned pin, unsigned value) {
        fuzzRequire(last.size == 16 && last.report[0] == HidTransport::readAllCommand,
            "a pin is read only from a whole READ_ALL answer");
        fuzzRequire(value == ((last.report[10] >> pin) & 1u), "a pin reads its bit of the answer");
    });
    return 0;
}
