#include "BridgeLibrary.h"

#include <type_traits>
#include <utility>

// Stores and tests the member that `member` points to, converting the address to that member's
// own function-pointer type.
template<auto member>
constexpr BridgeLibrary::Binding BridgeLibrary::bindingFor(const char *name, Need need)
{
    using Pointer = std::remove_reference_t<decltype(std::declval<EntryPoints &>().*member)>;
    return {name, need,
        [](EntryPoints &entries, FunctionAddress address) {
            entries.*member = reinterpret_cast<Pointer>(address);
        },
        [](const EntryPoints &entries) { return entries.*member != nullptr; }};
}

// Each row ties a name to the member of the same name, whose type comes from the declaration in
// SimpleIO.h, so a misspelt name or a changed signature fails to compile.
#define VIREL_BINDING(fn, need) bindingFor<&EntryPoints::fn>(#fn, Need::need)

const BridgeLibrary::Binding BridgeLibrary::bindings[] = {
    VIREL_BINDING(InitMCP2200, Required),
    VIREL_BINDING(IsConnected, Required),
    VIREL_BINDING(ConfigureIO, Required),
    VIREL_BINDING(SetPin, Required),
    VIREL_BINDING(ClearPin, Required),
    VIREL_BINDING(ReadPin, Required),
    VIREL_BINDING(fnSetBaudRate, Required),
    VIREL_BINDING(ConfigureMCP2200, Required),
    // Absent from the maker's library.
    VIREL_BINDING(LastErrorText, Optional),
};

#undef VIREL_BINDING

BridgeLibrary::LoadResult BridgeLibrary::load()
{
    if (result != LoadResult::NotTried)
        return result;
    module = openModule(result);
    if (!module)
        return result;
    for (const Binding &binding : bindings)
        binding.store(entry, resolve(module, binding.name));
    return result;
}

std::vector<std::string> BridgeLibrary::missingEntryPoints() const
{
    std::vector<std::string> missing;
    for (const Binding &binding : bindings) {
        if (binding.need == Need::Required && !binding.bound(entry))
            missing.emplace_back(binding.name);
    }
    return missing;
}

bool BridgeLibrary::initMCP2200(unsigned int vendorId, unsigned int productId)
{
    if (!entry.InitMCP2200)
        return false;
    entry.InitMCP2200(vendorId, productId);
    return true;
}

bool BridgeLibrary::isConnected()
{
    return entry.IsConnected && entry.IsConnected();
}

bool BridgeLibrary::configureIO(unsigned char ioMap)
{
    return entry.ConfigureIO && entry.ConfigureIO(ioMap);
}

bool BridgeLibrary::setPin(unsigned int pin)
{
    return entry.SetPin && entry.SetPin(pin);
}

bool BridgeLibrary::clearPin(unsigned int pin)
{
    return entry.ClearPin && entry.ClearPin(pin);
}

bool BridgeLibrary::readPin(unsigned int pin, unsigned int *value)
{
    if (!entry.ReadPin) {
        *value = 1;
        return false;
    }
    return entry.ReadPin(pin, value);
}

bool BridgeLibrary::setBaudRate(int baudRate)
{
    return entry.fnSetBaudRate && entry.fnSetBaudRate(baudRate);
}

bool BridgeLibrary::configureMCP2200(unsigned char ioMap, unsigned long baudRate,
    unsigned int rxLedMode, unsigned int txLedMode, bool flow, bool uload, bool sspnd)
{
    return entry.ConfigureMCP2200
        && entry.ConfigureMCP2200(ioMap, baudRate, rxLedMode, txLedMode, flow, uload, sspnd);
}

std::string BridgeLibrary::lastErrorText()
{
    const char *text = entry.LastErrorText ? entry.LastErrorText() : nullptr;
    return text ? std::string(text) : std::string();
}
