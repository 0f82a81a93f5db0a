#pragma once

// The eight entry points of a bridge library (libSimpleIO-UM.so / SimpleIO-UM.dll).
// Our bridge libraries implement them; the link resolves them by name at run time and takes
// its function-pointer types from these declarations, so both sides are checked by the compiler.

#ifdef __cplusplus
extern "C" {
#else
#include <stdbool.h>
#endif

#if defined(_WIN32) && defined(SIMPLEIO_BUILD)
#define SIMPLEIO_API __declspec(dllexport)
#elif defined(_WIN32)
#define SIMPLEIO_API __declspec(dllimport)
#else
#define SIMPLEIO_API __attribute__((visibility("default")))
#endif

SIMPLEIO_API void InitMCP2200(unsigned int vendorId, unsigned int productId);
SIMPLEIO_API bool IsConnected(void);
SIMPLEIO_API bool ConfigureIO(unsigned char ioMap);
SIMPLEIO_API bool SetPin(unsigned int pin);
SIMPLEIO_API bool ClearPin(unsigned int pin);
SIMPLEIO_API bool ReadPin(unsigned int pin, unsigned int *value);
SIMPLEIO_API bool fnSetBaudRate(int baudRate);
// Stores the chip's power-up settings: the directions, the baud rate and the optional pin
// functions. A LED mode, numbered as the maker's library numbers it, is 0 off (the pin stays
// GPIO 6 for Rx, 7 for Tx), 1 on (blinks on traffic at the chip's blink speed), 3 toggle on
// traffic, 4 blink slowly, 5 blink fast; 4 and 5 set the speed both LEDs share, so one LED slow
// and the other fast is refused, as are 2 and anything above 5, with nothing written. flow is
// hardware flow control (RTS/CTS); uload shows the USB configured state on GP1, sspnd USB suspend
// on GP0. Settings that no argument speaks of stay as the chip has them.
SIMPLEIO_API bool ConfigureMCP2200(unsigned char ioMap, unsigned long baudRate,
    unsigned int rxLedMode, unsigned int txLedMode, bool flow, bool uload, bool sspnd);

// Optional, and absent from the maker's library: why the bridge cannot be used just now, in
// plain words naming the device node and what to do; "" while it can be used. The text stays
// valid until the next call into the library.
SIMPLEIO_API const char *LastErrorText(void);

#ifdef __cplusplus
}
#endif
