#pragma once

#include "SimpleIO.h"

#include <string>
#include <vector>

// The bridge library, loaded at run time by its bare name and bound by entry-point names.
// An entry point that could not be bound is never called: its operation reports failure and
// the data-in line reads as an idle line (1), so the link behaves as on a silent line.
// Standard C++ only, so that the loader also builds where there is no Qt.
class BridgeLibrary
{
public:
    enum class LoadResult { NotTried, Loaded, NotFound, Failed };

    BridgeLibrary() = default;
    BridgeLibrary(const BridgeLibrary &) = delete;
    BridgeLibrary &operator=(const BridgeLibrary &) = delete;

    // Loads the library and binds every entry point it offers. The library is never unloaded.
    LoadResult load();
    LoadResult loadResult() const { return result; }
    // The eight entry points that are not bound, in binding order. The optional LastErrorText
    // is never among them.
    std::vector<std::string> missingEntryPoints() const;

    // False when the entry point is not bound (nothing was called).
    bool initMCP2200(unsigned int vendorId, unsigned int productId);
    bool isConnected();
    bool configureIO(unsigned char ioMap);
    bool setPin(unsigned int pin);
    bool clearPin(unsigned int pin);
    // Unbound: *value is set to 1, the level of a line nobody drives.
    bool readPin(unsigned int pin, unsigned int *value);
    bool setBaudRate(int baudRate);
    bool configureMCP2200(unsigned char ioMap, unsigned long baudRate, unsigned int rxLedMode,
        unsigned int txLedMode, bool flow, bool uload, bool sspnd);
    // Why the bridge cannot be used, in UTF-8; empty while it can, and always from a library
    // without LastErrorText.
    std::string lastErrorText();

private:
    using FunctionAddress = void (*)();

    struct EntryPoints
    {
        decltype(&::InitMCP2200) InitMCP2200 = nullptr;
        decltype(&::IsConnected) IsConnected = nullptr;
        decltype(&::ConfigureIO) ConfigureIO = nullptr;
        decltype(&::SetPin) SetPin = nullptr;
        decltype(&::ClearPin) ClearPin = nullptr;
        decltype(&::ReadPin) ReadPin = nullptr;
        decltype(&::fnSetBaudRate) fnSetBaudRate = nullptr;
        decltype(&::ConfigureMCP2200) ConfigureMCP2200 = nullptr;
        decltype(&::LastErrorText) LastErrorText = nullptr;
    };

    enum class Need { Required, Optional };

    struct Binding
    {
        const char *name;
        Need need;
        void (*store)(EntryPoints &entries, FunctionAddress address);
        bool (*bound)(const EntryPoints &entries);
    };

    template<auto member> static constexpr Binding bindingFor(const char *name, Need need);

    static const Binding bindings[];

    // Platform part: one source per platform.
    static void *openModule(LoadResult &outcome);
    static FunctionAddress resolve(void *module, const char *name);

    void *module = nullptr;
    LoadResult result = LoadResult::NotTried;
    EntryPoints entry;
};
