#pragma once

#include <functional>

class FuzzBytes;
class TransportOpener;

// Calls the MCP2200 library's entry points in an order and with arguments taken from the input,
// moving its clock on between calls so that a lost chip is looked for again. Every pin read
// must give 0 or 1, and 1 when it fails.
class BridgeCalls
{
public:
    // Called after each successful pin read with the pin and the value it gave.
    using ReadCheck = std::function<void(unsigned pin, unsigned value)>;

    static void run(FuzzBytes &in, TransportOpener &opener, const ReadCheck &check);
};
