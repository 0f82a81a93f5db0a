// A bridge library that needs another library, which the test leaves off the search path.
#include "SimpleIO.h"

int virel_needed_elsewhere();

extern "C" SIMPLEIO_API bool IsConnected(void)
{
    return virel_needed_elsewhere() != 0;
}
