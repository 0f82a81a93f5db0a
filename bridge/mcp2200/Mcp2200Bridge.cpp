#include "Mcp2200Bridge.h"

Mcp2200Bridge::Mcp2200Bridge(TransportOpener &opener)
    : opener_(opener)
{ }

void Mcp2200Bridge::init(unsigned vendorId, unsigned productId)
{
    // Let go of a chip opened before, so that the new one can claim the same lines.
    transport_.reset();
    transport_ = opener_.openGpio(vendorId, productId);
    if (!transport_)
        transport_ = opener_.openHid(vendorId, productId);
}

bool Mcp2200Bridge::isConnected()
{
    return transport_ && transport_->isAlive();
}

bool Mcp2200Bridge::configureIO(unsigned char ioMap)
{
    return transport_ && transport_->setDirections(ioMap);
}

bool Mcp2200Bridge::setPin(unsigned pin)
{
    return transport_ && validPin(pin) && transport_->writePin(pin, true);
}

bool Mcp2200Bridge::clearPin(unsigned pin)
{
    return transport_ && validPin(pin) && transport_->writePin(pin, false);
}

bool Mcp2200Bridge::readPin(unsigned pin, unsigned *value)
{
    if (!value)
        return false;
    bool high = false;
    const bool ok = transport_ && validPin(pin) && transport_->readPin(pin, high);
    // Callers may use the value without looking at the result: a failed read then looks like
    // an idle line (high), as when nothing is connected, never like stale data.
    *value = (!ok || high) ? 1 : 0;
    return ok;
}

bool Mcp2200Bridge::setBaudRate(int baudRate)
{
    return transport_ && baudRate > 0
        && transport_->setBaudRate(static_cast<unsigned long>(baudRate));
}

bool Mcp2200Bridge::configure(unsigned char ioMap, unsigned long baudRate, unsigned rxLedMode,
    unsigned txLedMode, bool flow, bool uload, bool sspnd)
{
    if (!transport_)
        return false;
    Mcp2200AltFunctions alt;
    alt.rxLed = rxLedMode != 0;
    alt.txLed = txLedMode != 0;
    alt.hardwareFlow = flow;
    alt.usbConfigured = uload;
    alt.suspend = sspnd;
    return transport_->configure(ioMap, baudRate, alt);
}
