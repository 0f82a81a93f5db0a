#include "Mcp2200Bridge.h"

#include <chrono>

namespace {

std::int64_t steadyMilliseconds()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace

Mcp2200Bridge::Mcp2200Bridge(TransportOpener &opener, Clock clock)
    : opener(opener)
    , clock(clock ? std::move(clock) : Clock(&steadyMilliseconds))
{ }

void Mcp2200Bridge::init(unsigned vendorId, unsigned productId)
{
    initialised = true;
    this->vendorId = vendorId;
    this->productId = productId;
    open();
}

void Mcp2200Bridge::open()
{
    // Let go of a chip opened before, so that the new one can claim the same lines.
    transport.reset();
    lastOpen = clock();
    transport = opener.openGpio(vendorId, productId);
    if (!transport)
        transport = opener.openHid(vendorId, productId);
}

Mcp2200Transport *Mcp2200Bridge::usableTransport()
{
    if (transport && !transport->isLost())
        return transport.get();
    // Looking for the chip walks sysfs and the USB devices: not on every pin operation.
    if (!initialised || clock() - lastOpen < reopenIntervalMs)
        return nullptr;
    open();
    return transport && !transport->isLost() ? transport.get() : nullptr;
}

bool Mcp2200Bridge::isConnected()
{
    Mcp2200Transport *t = usableTransport();
    return t && t->isAlive();
}

bool Mcp2200Bridge::configureIO(unsigned char ioMap)
{
    Mcp2200Transport *t = usableTransport();
    return t && t->setDirections(ioMap);
}

bool Mcp2200Bridge::setPin(unsigned pin)
{
    Mcp2200Transport *t = validPin(pin) ? usableTransport() : nullptr;
    return t && t->writePin(pin, true);
}

bool Mcp2200Bridge::clearPin(unsigned pin)
{
    Mcp2200Transport *t = validPin(pin) ? usableTransport() : nullptr;
    return t && t->writePin(pin, false);
}

bool Mcp2200Bridge::readPin(unsigned pin, unsigned *value)
{
    if (!value)
        return false;
    Mcp2200Transport *t = validPin(pin) ? usableTransport() : nullptr;
    bool high = false;
    const bool ok = t && t->readPin(pin, high);
    // Callers may use the value without looking at the result: a failed read then looks like
    // an idle line (high), as when nothing is connected, never like stale data.
    *value = (!ok || high) ? 1 : 0;
    return ok;
}

bool Mcp2200Bridge::setBaudRate(int baudRate)
{
    Mcp2200Transport *t = usableTransport();
    return t && baudRate > 0 && t->setBaudRate(static_cast<unsigned long>(baudRate));
}

bool Mcp2200Bridge::configure(unsigned char ioMap, unsigned long baudRate, unsigned rxLedMode,
    unsigned txLedMode, bool flow, bool uload, bool sspnd)
{
    Mcp2200Transport *t = usableTransport();
    if (!t)
        return false;
    Mcp2200AltFunctions alt;
    alt.rxLed = rxLedMode != 0;
    alt.txLed = txLedMode != 0;
    alt.hardwareFlow = flow;
    alt.usbConfigured = uload;
    alt.suspend = sspnd;
    return t->configure(ioMap, baudRate, alt);
}
