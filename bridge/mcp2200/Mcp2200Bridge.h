#pragma once

#include "Mcp2200Fault.h"
#include "Mcp2200Transport.h"
#include "TransportOpener.h"

#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <string>

// The logic behind the entry points: argument checks, and the choice of transport (the
// kernel's GPIO chip first, hidraw when there is none). A chip that was missing at
// InitMCP2200, or that went away, is looked for again at most once a second, so that
// plugging the cable in later needs no restart; but only between exchanges, never by a pin
// call in a running frame, whose ticks a search would hold up. A chip that stopped answering
// is not waited for again until the next exchange. Keeps, in plain words, why the chip cannot
// be used, and tells each new reason once.
class Mcp2200Bridge
{
public:
    // Milliseconds on a monotonic clock.
    using Clock = std::function<std::int64_t()>;
    // Receives each new reason's text; by default it goes to stderr.
    using Sink = std::function<void(const std::string &text)>;
    static constexpr std::int64_t reopenIntervalMs = 1000;
    // A pin call after this long without any call starts an exchange: the frames' ticks come
    // every few milliseconds, and the longest pause inside an exchange is 160 ms.
    static constexpr std::int64_t exchangeGapMs = 500;

    explicit Mcp2200Bridge(TransportOpener &opener, Clock clock = {}, Sink sink = {});

    void init(unsigned vendorId, unsigned productId);
    bool isConnected();
    bool configureIO(unsigned char ioMap);
    bool setPin(unsigned pin);
    bool clearPin(unsigned pin);
    bool readPin(unsigned pin, unsigned *value);
    bool setBaudRate(int baudRate);
    bool configure(unsigned char ioMap, unsigned long baudRate, unsigned rxLedMode,
        unsigned txLedMode, bool flow, bool uload, bool sspnd);

    // "" while the chip can be used; valid until the next call on this object.
    const char *lastErrorText() const { return faultText.c_str(); }

private:
    static bool validPin(unsigned pin) { return pin < 8; }
    void open();
    // Whether the call now is one between exchanges (every call but a pin call of a frame).
    bool betweenExchanges(bool pinCall);
    // The usable transport, or null. Only between exchanges is a missing chip looked for, or a
    // silent one asked again.
    Mcp2200Transport *usableTransport(bool between = true);
    // Passes an operation's result through, noting a chip that went away or fell silent
    // during it.
    bool finish(bool ok);
    bool noteLoss(bool ok);
    void setFault(const Mcp2200Fault &newFault);

    TransportOpener &opener;
    Clock clock;
    Sink sink;
    std::unique_ptr<Mcp2200Transport> transport;
    bool initialised = false;
    unsigned vendorId = 0;
    unsigned productId = 0;
    std::int64_t lastOpen = 0;
    std::int64_t lastCall = std::numeric_limits<std::int64_t>::min() / 2;
    // The chip did not answer: pin calls fail at once until the next exchange.
    bool silenced = false;
    Mcp2200Fault fault = Mcp2200Fault::notInitialised();
    std::string faultText = fault.text();
};
