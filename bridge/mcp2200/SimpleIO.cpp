// The C entry points of libSimpleIO-UM.so and SimpleIO-UM.dll over the real chip.
#include "SimpleIO.h"

#include "Mcp2200Bridge.h"
#ifdef _WIN32
#include "HidTransportOpener.h"
#else
#include "NodeTransportOpener.h"
#include "SystemDeviceNodes.h"
#endif

namespace {

// The library drives one chip for the whole process, as the maker's library does.
Mcp2200Bridge &bridge()
{
#ifdef _WIN32
    static HidTransportOpener opener;
#else
    static SystemDeviceNodes nodes;
    static NodeTransportOpener opener(nodes);
#endif
    static Mcp2200Bridge instance(opener);
    return instance;
}

} // namespace

void InitMCP2200(unsigned int vendorId, unsigned int productId)
{
    bridge().init(vendorId, productId);
}

bool IsConnected(void)
{
    return bridge().isConnected();
}

bool ConfigureIO(unsigned char ioMap)
{
    return bridge().configureIO(ioMap);
}

bool SetPin(unsigned int pin)
{
    return bridge().setPin(pin);
}

bool ClearPin(unsigned int pin)
{
    return bridge().clearPin(pin);
}

bool ReadPin(unsigned int pin, unsigned int *value)
{
    return bridge().readPin(pin, value);
}

bool fnSetBaudRate(int baudRate)
{
    return bridge().setBaudRate(baudRate);
}

bool ConfigureMCP2200(unsigned char ioMap, unsigned long baudRate, unsigned int rxLedMode,
    unsigned int txLedMode, bool flow, bool uload, bool sspnd)
{
    return bridge().configure(ioMap, baudRate, rxLedMode, txLedMode, flow, uload, sspnd);
}

const char *LastErrorText(void)
{
    return bridge().lastErrorText();
}
