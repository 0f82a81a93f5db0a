#pragma once

#include "Mcp2200Fault.h"
#include "Mcp2200Transport.h"

#include <memory>

// Opens a chip by its USB IDs through one kind of transport; null when there is none.
class TransportOpener
{
public:
    virtual ~TransportOpener() = default;

    virtual std::unique_ptr<Mcp2200Transport> openGpio(unsigned vendorId, unsigned productId) = 0;
    virtual std::unique_ptr<Mcp2200Transport> openHid(unsigned vendorId, unsigned productId) = 0;
    // Why the last open call gave null; Kind::None when it found no chip to open (all that an
    // opener that cannot tell more says).
    virtual Mcp2200Fault lastFault() const { return {}; }
};
