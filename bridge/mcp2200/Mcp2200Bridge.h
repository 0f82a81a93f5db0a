#pragma once

#include "Mcp2200Transport.h"
#include "TransportOpener.h"

#include <memory>

// The logic behind the eight entry points: argument checks, and the choice of transport
// (the kernel's GPIO chip first, hidraw when there is none).
class Mcp2200Bridge
{
public:
    explicit Mcp2200Bridge(TransportOpener &opener);

    void init(unsigned vendorId, unsigned productId);
    bool isConnected();
    bool configureIO(unsigned char ioMap);
    bool setPin(unsigned pin);
    bool clearPin(unsigned pin);
    bool readPin(unsigned pin, unsigned *value);
    bool setBaudRate(int baudRate);
    bool configure(unsigned char ioMap, unsigned long baudRate, unsigned rxLedMode,
        unsigned txLedMode, bool flow, bool uload, bool sspnd);

private:
    static bool validPin(unsigned pin) { return pin < 8; }

    TransportOpener &opener_;
    std::unique_ptr<Mcp2200Transport> transport_;
};
