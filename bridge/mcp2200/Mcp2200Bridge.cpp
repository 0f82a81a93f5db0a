#include "Mcp2200Bridge.h"

#include <chrono>
#include <cstdio>

namespace {

std::int64_t steadyMilliseconds()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void tellStderr(const std::string &text)
{
    std::fprintf(stderr, "libSimpleIO-UM: %s\n", text.c_str());
    std::fflush(stderr);
}

} // namespace

Mcp2200Bridge::Mcp2200Bridge(TransportOpener &opener, Clock clock, Sink sink)
    : opener(opener)
    , clock(clock ? std::move(clock) : Clock(&steadyMilliseconds))
    , sink(sink ? std::move(sink) : Sink(&tellStderr))
{ }

void Mcp2200Bridge::init(unsigned vendorId, unsigned productId)
{
    betweenExchanges(false);
    initialised = true;
    this->vendorId = vendorId;
    this->productId = productId;
    open();
}

void Mcp2200Bridge::open()
{
    // Let go of a chip opened before, so that the new one can claim the same lines.
    transport.reset();
    silenced = false;
    lastOpen = clock();
    transport = opener.openGpio(vendorId, productId);
    Mcp2200Fault gpioFault = transport ? Mcp2200Fault() : opener.lastFault();
    // Lines held by another program are not taken from it behind the kernel's back.
    if (!transport && gpioFault.kind != Mcp2200Fault::Kind::Busy)
        transport = opener.openHid(vendorId, productId);
    if (transport) {
        setFault({});
        return;
    }
    // Trouble with the GPIO chip comes first: the hidraw node of the same chip fails alike.
    Mcp2200Fault found
        = gpioFault.kind != Mcp2200Fault::Kind::None ? gpioFault : opener.lastFault();
    if (found.kind == Mcp2200Fault::Kind::None)
        found = Mcp2200Fault::absent(vendorId, productId);
    // A pulled cable stays the reason until the chip shows up again.
    if (found.kind == Mcp2200Fault::Kind::Absent && fault.kind == Mcp2200Fault::Kind::Lost)
        return;
    setFault(found);
}

bool Mcp2200Bridge::betweenExchanges(bool pinCall)
{
    const std::int64_t now = clock();
    const bool between = !pinCall || now - lastCall >= exchangeGapMs;
    lastCall = now;
    return between;
}

Mcp2200Transport *Mcp2200Bridge::usableTransport(bool between)
{
    if (transport && !transport->isLost()) {
        if (silenced && !between)
            return nullptr;
        silenced = false;
        return transport.get();
    }
    noteLoss(false);
    // A pulled cable's handle is let go at once: until then Windows keeps the device it names,
    // and the cable plugged in again cannot take its place.
    transport.reset();
    // Looking for the chip walks sysfs and the USB devices: not on every pin operation.
    if (!between || !initialised || clock() - lastOpen < reopenIntervalMs)
        return nullptr;
    open();
    return transport && !transport->isLost() ? transport.get() : nullptr;
}

bool Mcp2200Bridge::finish(bool ok)
{
    noteLoss(ok);
    if (!transport || transport->isLost())
        return ok;
    if (!ok && transport->isSilent()) {
        silenced = true;
        setFault(Mcp2200Fault::silent(transport->deviceNode()));
    } else if (!ok && transport->failure().kind != Mcp2200Fault::Kind::None) {
        setFault(transport->failure());
    } else if (ok && fault.kind == Mcp2200Fault::Kind::Silent) {
        setFault({});
    }
    return ok;
}

bool Mcp2200Bridge::noteLoss(bool ok)
{
    if (transport && transport->isLost() && fault.kind != Mcp2200Fault::Kind::Lost)
        setFault(Mcp2200Fault::lost(transport->deviceNode()));
    return ok;
}

void Mcp2200Bridge::setFault(const Mcp2200Fault &newFault)
{
    fault = newFault;
    std::string text = fault.text();
    if (text == faultText)
        return;
    faultText = std::move(text);
    if (!faultText.empty())
        sink(faultText);
}

bool Mcp2200Bridge::isConnected()
{
    betweenExchanges(false);
    Mcp2200Transport *t = usableTransport();
    if (!t)
        return false;
    const bool alive = noteLoss(t->isAlive());
    if (!t->isLost()) {
        silenced = !alive;
        const Mcp2200Fault failure = t->failure();
        setFault(alive ? Mcp2200Fault()
                : failure.kind == Mcp2200Fault::Kind::Failed
                ? failure
                : Mcp2200Fault::silent(t->deviceNode()));
    }
    return alive;
}

bool Mcp2200Bridge::configureIO(unsigned char ioMap)
{
    betweenExchanges(false);
    Mcp2200Transport *t = usableTransport();
    return finish(t && t->setDirections(ioMap));
}

bool Mcp2200Bridge::setPin(unsigned pin)
{
    const bool between = betweenExchanges(true);
    Mcp2200Transport *t = validPin(pin) ? usableTransport(between) : nullptr;
    return finish(t && t->writePin(pin, true));
}

bool Mcp2200Bridge::clearPin(unsigned pin)
{
    const bool between = betweenExchanges(true);
    Mcp2200Transport *t = validPin(pin) ? usableTransport(between) : nullptr;
    return finish(t && t->writePin(pin, false));
}

bool Mcp2200Bridge::readPin(unsigned pin, unsigned *value)
{
    const bool between = betweenExchanges(true);
    if (!value)
        return false;
    Mcp2200Transport *t = validPin(pin) ? usableTransport(between) : nullptr;
    bool high = false;
    const bool ok = finish(t && t->readPin(pin, high));
    // Callers may use the value without looking at the result: a failed read then looks like
    // an idle line (high), as when nothing is connected, never like stale data.
    *value = (!ok || high) ? 1 : 0;
    return ok;
}

bool Mcp2200Bridge::setBaudRate(int baudRate)
{
    betweenExchanges(false);
    Mcp2200Transport *t = usableTransport();
    return finish(t && baudRate > 0 && t->setBaudRate(static_cast<unsigned long>(baudRate)));
}

bool Mcp2200Bridge::configure(unsigned char ioMap, unsigned long baudRate, unsigned rxLedMode,
    unsigned txLedMode, bool flow, bool uload, bool sspnd)
{
    betweenExchanges(false);
    const auto known = [](unsigned mode) {
        return mode <= static_cast<unsigned>(Mcp2200LedMode::BlinkFast) && mode != 2;
    };
    const auto rx = static_cast<Mcp2200LedMode>(rxLedMode);
    const auto tx = static_cast<Mcp2200LedMode>(txLedMode);
    // Both LEDs share one blink-speed bit: two different speeds cannot both be had.
    const bool speedsClash = (rx == Mcp2200LedMode::BlinkSlow && tx == Mcp2200LedMode::BlinkFast)
        || (rx == Mcp2200LedMode::BlinkFast && tx == Mcp2200LedMode::BlinkSlow);
    Mcp2200Transport *t
        = known(rxLedMode) && known(txLedMode) && !speedsClash ? usableTransport() : nullptr;
    if (!t)
        return false;
    Mcp2200AltFunctions alt;
    alt.rxLed = rx;
    alt.txLed = tx;
    alt.hardwareFlow = flow;
    alt.usbConfigured = uload;
    alt.suspend = sspnd;
    return finish(t->configure(ioMap, baudRate, alt));
}
