// A bridge library whose reason for being unusable the test sets with reason_set(). Every entry
// point succeeds, IsConnected answers false and the data-in line reads 1, so each handshake fails
// as on a silent line. Built with LastErrorText and, as the maker's library is, without it
// (REASON_WITHOUT_ENTRY_POINT).
#include "SimpleIO.h"

#include <string>

namespace {

std::string reason;

} // namespace

extern "C" {

SIMPLEIO_API void reason_set(const char *text)
{
    reason = text;
}

SIMPLEIO_API void InitMCP2200(unsigned int, unsigned int) { }

SIMPLEIO_API bool IsConnected(void)
{
    return false;
}

SIMPLEIO_API bool ConfigureIO(unsigned char)
{
    return true;
}

SIMPLEIO_API bool SetPin(unsigned int)
{
    return true;
}

SIMPLEIO_API bool ClearPin(unsigned int)
{
    return true;
}

SIMPLEIO_API bool ReadPin(unsigned int, unsigned int *value)
{
    *value = 1;
    return true;
}

SIMPLEIO_API bool fnSetBaudRate(int)
{
    return true;
}

SIMPLEIO_API bool ConfigureMCP2200(
    unsigned char, unsigned long, unsigned int, unsigned int, bool, bool, bool)
{
    return true;
}

#ifndef REASON_WITHOUT_ENTRY_POINT
SIMPLEIO_API const char *LastErrorText(void)
{
    return reason.c_str();
}
#endif
}
