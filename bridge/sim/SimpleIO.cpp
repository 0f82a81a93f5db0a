// The bridge entry points, served by the simulated device.

#include "SimpleIO.h"

#include "SimDevice.h"

using sim::SimDevice;

void InitMCP2200(unsigned int vendorId, unsigned int productId)
{
    SimDevice::instance().initMcp2200(vendorId, productId);
}

bool IsConnected(void)
{
    return SimDevice::instance().isConnected();
}

bool ConfigureIO(unsigned char ioMap)
{
    return SimDevice::instance().configureIo(ioMap);
}

bool SetPin(unsigned int pin)
{
    return SimDevice::instance().setPin(pin);
}

bool ClearPin(unsigned int pin)
{
    return SimDevice::instance().clearPin(pin);
}

bool ReadPin(unsigned int pin, unsigned int *value)
{
    return SimDevice::instance().readPin(pin, value);
}

bool fnSetBaudRate(int baudRate)
{
    return SimDevice::instance().setBaudRate(baudRate);
}

bool ConfigureMCP2200(unsigned char ioMap, unsigned long baudRate, unsigned int rxLedMode,
    unsigned int txLedMode, bool flow, bool uload, bool sspnd)
{
    // The LED modes and UART options have no effect on the pins; they are only traced.
    return SimDevice::instance().configureMcp2200(
        ioMap, {baudRate, rxLedMode, txLedMode, flow, uload, sspnd});
}
