#include "BridgeLibrary.h"

// Each row ties a name to the member of the same name, whose type comes from the declaration in
// SimpleIO.h, so a misspelt name or a changed signature fails to compile.
#define VIREL_BINDING(fn)                                                                          \
    Binding                                                                                        \
    {                                                                                              \
#fn,                                                                                       \
            [](EntryPoints & entries,                                                              \
                FunctionAddress                                                                    \
                    address) { entries.fn = reinterpret_cast<decltype(&::fn)>(address); },         \
                [](const EntryPoints &entries) { return entries.fn != nullptr; }                   \
    }

const BridgeLibrary::Binding BridgeLibrary::bindings[] = {
    VIREL_BINDING(InitMCP2200),
    VIREL_BINDING(IsConnected),
    VIREL_BINDING(ConfigureIO),
    VIREL_BINDING(SetPin),
    VIREL_BINDING(ClearPin),
    VIREL_BINDING(ReadPin),
    VIREL_BINDING(fnSetBaudRate),
    VIREL_BINDING(ConfigureMCP2200),
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

QStringList BridgeLibrary::missingEntryPoints() const
{
    QStringList missing;
    for (const Binding &binding : bindings) {
        if (!binding.bound(entry))
            missing << QString::fromLatin1(binding.name);
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
