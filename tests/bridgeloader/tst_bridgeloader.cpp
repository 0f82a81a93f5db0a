// The bridge loader on Windows, run once for each layout that the Wine script lays out beside
// the program: no library, a file that is not a library, a library whose own dependency is
// missing, a library with three of the eight entry points, the simulated detector, our MCP2200
// library with no cable; or, in "planted", the simulated detector only in the working directory
// and on PATH.
#include "BridgeLibrary.h"
#include "Checks.h"
#include "ClockedLine.h"
#include "SimControl.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Names = std::vector<std::string>;
using Result = BridgeLibrary::LoadResult;

const Names allEntryPoints {"InitMCP2200", "IsConnected", "ConfigureIO", "SetPin", "ClearPin",
    "ReadPin", "fnSetBaudRate", "ConfigureMCP2200"};

std::string joined(const Names &names)
{
    std::string text;
    for (const std::string &name : names)
        text += (text.empty() ? "" : ", ") + name;
    return text;
}

std::string hex(const std::vector<std::uint8_t> &bytes)
{
    std::string text;
    for (std::uint8_t byte : bytes) {
        char digits[4];
        std::snprintf(digits, sizeof digits, "%02x", byte);
        text += (text.empty() ? "" : " ") + std::string(digits);
    }
    return text;
}

const char *resultName(Result result)
{
    switch (result) {
    case Result::NotTried:
        return "not tried";
    case Result::Loaded:
        return "loaded";
    case Result::NotFound:
        return "not found";
    case Result::Failed:
        return "failed";
    }
    return "?";
}

HMODULE loadedBridge()
{
    return GetModuleHandleW(L"SimpleIO-UM.dll");
}

// An export of the loaded library that the loader does not bind: a stand-in's call counter, or
// the simulated detector's control interface. The detour through void (*)() is the generic
// function pointer, which converts to any other without a warning.
template<typename Pointer> Pointer exported(const char *name)
{
    HMODULE module = loadedBridge();
    const auto address
        = reinterpret_cast<void (*)()>(module ? GetProcAddress(module, name) : nullptr);
    return reinterpret_cast<Pointer>(address);
}

// The stand-in offers InitMCP2200, IsConnected and ReadPin (reading 0) and counts their calls.
void callsOnlyWhatIsBound(Checks &checks, BridgeLibrary &bridge)
{
    const auto *calls = exported<const unsigned int *>("partial_calls");
    if (!checks.check(calls != nullptr, "the stand-in's call counter is exported"))
        return;
    const unsigned int before = *calls;
    const bool missingResults[] = {bridge.configureIO(240), bridge.setPin(2), bridge.clearPin(2),
        bridge.setBaudRate(300), bridge.configureMCP2200(240, 6000000, 0, 0, false, false, false)};
    checks.check(std::none_of(std::begin(missingResults), std::end(missingResults),
                     [](bool ok) { return ok; }),
        "each missing entry point reports failure");
    checks.check(*calls == before, "no call reached the library for a missing entry point");
    unsigned int level = 1;
    checks.check(bridge.initMCP2200(0x04D8, 0x00DF), "InitMCP2200 is called");
    checks.check(bridge.isConnected(), "IsConnected answers true");
    checks.check(bridge.readPin(4, &level) && level == 0, "ReadPin reads the stand-in's 0");
    checks.check(*calls - before == 3, "each bound entry point ran once");
}

void bringsUpAndExchanges(Checks &checks, BridgeLibrary &bridge)
{
    const auto setConfig = exported<decltype(&sim_set_config)>("sim_set_config");
    const auto received = exported<decltype(&sim_received)>("sim_received");
    const auto ioMask = exported<decltype(&sim_io_mask)>("sim_io_mask");
    if (!checks.check(setConfig && received && ioMask, "the control interface is exported"))
        return;
    checks.check(bridge.initMCP2200(0x04D8, 0x00DF), "InitMCP2200(0x04D8, 0x00DF) is called");
    checks.check(bridge.isConnected(), "IsConnected answers true");
    checks.check(bridge.configureMCP2200(240, 6000000, 0, 0, false, false, false),
        "ConfigureMCP2200(240, 6000000, 0, 0, 0, 0, 0) succeeds");
    checks.check(bridge.configureIO(240), "ConfigureIO(240) succeeds");
    checks.check(bridge.setPin(2) && bridge.setPin(3), "SetPin(2) and SetPin(3) succeed");
    checks.check(ioMask() == 240, "the bridge holds direction mask 240");

    ClockedLine line(bridge);
    line.send(0xAA);
    checks.equal(hex(line.receive(1)), "55", "handshake: 0xAA out, 0x55 back");

    const unsigned char stored[5] = {0x0C, 35, 1, 9, 14};
    setConfig(stored);
    line.send(0xA3);
    std::vector<std::uint8_t> expected {0x53};
    expected.insert(expected.end(), std::begin(stored), std::end(stored));
    checks.equal(hex(line.receive(6)), hex(expected), "configuration read: 0x53, then the five");
    unsigned char command = 0;
    checks.check(received(&command, 1) == 1 && command == 0xA3, "the detector took 0xA3");
}

// Our library finds no MCP2200 here, says so in its reason, and fails each call at once.
void findsNoCable(Checks &checks, BridgeLibrary &bridge)
{
    const DWORD started = GetTickCount();
    bridge.initMCP2200(0x04D8, 0x00DF);
    checks.check(!bridge.isConnected(), "IsConnected answers false");
    checks.equal(bridge.lastErrorText(),
        "No MCP2200 (04d8:00df) found on USB. Check that the cable is plugged in, or try another "
        "USB port.",
        "the reason names the USB IDs");
    checks.check(!bridge.setPin(2), "SetPin fails");
    checks.check(GetTickCount() - started < 2000, "no call waits for the missing cable");
}

struct Layout
{
    const char *name;
    Result expected;
    Names missing;
    void (*more)(Checks &checks, BridgeLibrary &bridge);
    // LastErrorText before InitMCP2200, where the library has it.
    const char *reason = "";
};

const Layout layouts[] = {
    {"missing", Result::NotFound, allEntryPoints, nullptr},
    {"planted", Result::NotFound, allEntryPoints, nullptr},
    {"notdll", Result::Failed, allEntryPoints, nullptr},
    {"dependent", Result::Failed, allEntryPoints, nullptr},
    {"partial", Result::Loaded,
        {"ConfigureIO", "SetPin", "ClearPin", "fnSetBaudRate", "ConfigureMCP2200"},
        callsOnlyWhatIsBound},
    {"sim", Result::Loaded, {}, bringsUpAndExchanges},
    {"mcp2200", Result::Loaded, {}, findsNoCable, "InitMCP2200 has not been called yet."},
};

const Layout *findLayout(const char *name)
{
    for (const Layout &layout : layouts) {
        if (std::strcmp(layout.name, name) == 0)
            return &layout;
    }
    return nullptr;
}

} // namespace

int main(int argc, char **argv)
{
    const Layout *layout = argc == 2 ? findLayout(argv[1]) : nullptr;
    if (!layout) {
        std::fprintf(stderr,
            "usage: tst_bridgeloader missing|planted|notdll|dependent|partial|sim|mcp2200\n");
        return 2;
    }
    const std::string name = layout->name;
    Checks checks;
    BridgeLibrary bridge;
    checks.equal(resultName(bridge.load()), resultName(layout->expected), name + ": load");
    checks.equal(joined(bridge.missingEntryPoints()), joined(layout->missing),
        name + ": entry points not bound");
    checks.check((loadedBridge() != nullptr) == (layout->expected == Result::Loaded),
        name + ": SimpleIO-UM.dll is in the process only if loaded");
    checks.equal(bridge.lastErrorText(), layout->reason, name + ": reason before InitMCP2200");
    if (layout->more)
        layout->more(checks, bridge);
    return checks.finish();
}
