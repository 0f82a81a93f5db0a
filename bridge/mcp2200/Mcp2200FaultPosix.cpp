#include "Mcp2200Fault.h"

#include <cerrno>
#include <cstring>

Mcp2200Fault::Kind Mcp2200Fault::refusalKind(int error)
{
    if (error == EACCES || error == EPERM)
        return Kind::PermissionDenied;
    if (error == EBUSY)
        return Kind::Busy;
    if (error == ETIMEDOUT) // the kernel's MCP2200 driver got no answer in time
        return Kind::Silent;
    return Kind::Failed;
}

Mcp2200Fault::Kind Mcp2200Fault::transferKind(int error)
{
    return refusalKind(error);
}

std::string Mcp2200Fault::systemErrorText(int error)
{
    // Untranslated, like the rest of the line, whatever locale the program has set.
    return strerrordesc_np(error);
}
