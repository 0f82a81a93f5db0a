#pragma once

// Control interface of the simulated detector, exported from the same library as the
// bridge entry points. Tests link to it; the configurator itself never does.

#include <stdbool.h>
#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32)
#define SIM_EXPORT __declspec(dllexport)
#else
#define SIM_EXPORT __attribute__((visibility("default")))
#endif

typedef enum SimCall {
    SIM_INIT_MCP2200 = 0,
    SIM_IS_CONNECTED,
    SIM_CONFIGURE_IO,
    SIM_SET_PIN,
    SIM_CLEAR_PIN,
    SIM_READ_PIN,
    SIM_SET_BAUD_RATE,
    SIM_CONFIGURE_MCP2200
} SimCall;

typedef struct SimTraceEntry
{
    SimCall call;
    unsigned long arg; // pin, mask, baud rate or vendor id; 0 where the call has none
    unsigned int value; // ReadPin: the level reported; otherwise 0
    bool result; // what the entry point returned (true for void calls)
    unsigned long long nanoseconds; // monotonic clock at the call
} SimTraceEntry;

// Back to the start state: bridge unconfigured, detector present with flags 0x01, angle 20,
// levels 3, 7, 15 and today's date; no faults; trace off and empty.
SIM_EXPORT void sim_reset(void);

SIM_EXPORT void sim_set_present(bool present);
SIM_EXPORT bool sim_is_present(void);

// Stored settings in wire order: flags, angle, level1, level2, level3.
SIM_EXPORT void sim_set_config(const unsigned char config[5]);
SIM_EXPORT void sim_get_config(unsigned char config[5]);

// Seven date bytes as the 0xA2 reply carries them: year % 100, month, day, then four more.
SIM_EXPORT void sim_set_date(const unsigned char date[7]);
SIM_EXPORT void sim_get_date(unsigned char date[7]);

// Faults.
SIM_EXPORT void sim_set_handshake_reply(unsigned char reply); // 0x55 is the good one
SIM_EXPORT void sim_set_marker_fault(
    int times); // replies without marker: 0 none, n next n, -1 always
SIM_EXPORT void sim_set_store_fault(int index, unsigned char value); // wire index 0..4, -1 off
SIM_EXPORT void sim_set_call_fails(
    SimCall call, bool fails); // SetPin, ConfigureIO, ConfigureMCP2200

// Observation.
SIM_EXPORT int sim_pin_level(unsigned int pin); // line level 0/1 as the bridge sees it
SIM_EXPORT unsigned int sim_io_mask(void); // last applied direction mask (1 = input)
SIM_EXPORT unsigned int sim_baud_rate(void);
// Bytes of the last frame the detector took in, command byte first; returns how many.
SIM_EXPORT size_t sim_received(unsigned char *buffer, size_t capacity);

// Trace of every entry-point call; off until enabled.
SIM_EXPORT void sim_trace_enable(bool on);
SIM_EXPORT void sim_trace_clear(void);
SIM_EXPORT size_t sim_trace_size(void);
SIM_EXPORT SimTraceEntry sim_trace_at(size_t index);

#ifdef __cplusplus
}
#endif
