// A bridge library with three of the eight entry points. The data-in line always reads 0.
#include "SimpleIO.h"

extern "C" {

SIMPLEIO_API unsigned int partial_calls = 0;

SIMPLEIO_API void InitMCP2200(unsigned int, unsigned int)
{
    ++partial_calls;
}

SIMPLEIO_API bool IsConnected(void)
{
    ++partial_calls;
    return true;
}

SIMPLEIO_API bool ReadPin(unsigned int, unsigned int *value)
{
    ++partial_calls;
    *value = 0;
    return true;
}
}
