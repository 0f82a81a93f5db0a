#include "Mcp2200Fault.h"

#include <cstdio>

namespace {

std::string chipOn(const std::string &node)
{
    return node.empty() ? "The MCP2200" : "The MCP2200 on " + node;
}

std::string usbId(unsigned id)
{
    char text[16];
    std::snprintf(text, sizeof text, "%04x", id);
    return text;
}

} // namespace

Mcp2200Fault Mcp2200Fault::notInitialised()
{
    Mcp2200Fault fault;
    fault.kind = Kind::NotInitialised;
    return fault;
}

Mcp2200Fault Mcp2200Fault::absent(unsigned vendorId, unsigned productId)
{
    Mcp2200Fault fault;
    fault.kind = Kind::Absent;
    fault.vendorId = vendorId;
    fault.productId = productId;
    return fault;
}

Mcp2200Fault Mcp2200Fault::refused(std::string node, int error, std::string holder)
{
    Mcp2200Fault fault;
    fault.kind = refusalKind(error);
    fault.node = std::move(node);
    fault.error = error;
    if (fault.kind == Kind::Busy)
        fault.holder = std::move(holder);
    return fault;
}

Mcp2200Fault Mcp2200Fault::lost(std::string node)
{
    Mcp2200Fault fault;
    fault.kind = Kind::Lost;
    fault.node = std::move(node);
    return fault;
}

Mcp2200Fault Mcp2200Fault::silent(std::string node)
{
    Mcp2200Fault fault;
    fault.kind = Kind::Silent;
    fault.node = std::move(node);
    return fault;
}

std::string Mcp2200Fault::text() const
{
    switch (kind) {
    case Kind::None:
        return {};
    case Kind::NotInitialised:
        return "InitMCP2200 has not been called yet.";
    case Kind::Absent:
        return "No MCP2200 (" + usbId(vendorId) + ":" + usbId(productId)
            + ") found on USB. Check that the cable is plugged in, or try another USB port.";
    case Kind::PermissionDenied:
        return chipOn(node)
            + " cannot be opened: permission denied, the udev rule is not active yet. Unplug the"
              " cable and plug it in again, or run \"sudo udevadm control --reload-rules\" and"
              " \"sudo udevadm trigger\"; if it is still denied, log out and log in again.";
    case Kind::Busy:
        return chipOn(node) + " is busy, held by another program"
            + (holder.empty() ? std::string() : " (\"" + holder + "\")")
            + ". Close that program and try again.";
    case Kind::Lost:
        return chipOn(node) + " was lost: the cable was pulled out. Plug it in again.";
    case Kind::Silent:
        return chipOn(node) + " does not answer. Unplug the cable and plug it in again.";
    case Kind::Failed:
        return chipOn(node) + " cannot be used: " + systemErrorText(error)
            + ". Unplug the cable and plug it in again.";
    }
    return {};
}
