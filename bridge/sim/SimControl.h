#pragma once

// Control interface of the simulated detector, exported from the same library as the
// bridge entry points. Tests link to it; the configurator itself never does.
//
// The library holds one simulated device per process: a bridge with eight pins and a detector
// wired to pin 2 (clock from the PC), pin 3 (data from the PC) and pin 4 (data to the PC).
// Linking the library and loading it by name ("libSimpleIO-UM.so") give the same device.
//
// Start state, on load and after sim_reset():
//   bridge   not opened (every entry point but InitMCP2200 fails until InitMCP2200(0x04D8,
//            0x00DF)); every pin an input (mask 0xFF); every output latch high; baud 9600.
//   detector present; settings flags 0x01, angle 20, levels 3, 7, 15; date: today's local
//            date as year % 100, month, day, then 0, 0, 0, 0; listening for a command.
//   faults   none; handshake reply 0x55.
//   timing   ideal detector, instant calls.
//   trace    off and empty.
//
// The detector reacts only to level changes of the clock line (driven by SetPin/ClearPin on
// pin 2, or by a direction change of pin 2): on a rising edge it samples pin 3 while it
// receives, on a falling edge it puts its next reply bit on pin 4 while it answers, most
// significant bit first. An ideal detector does so at the very moment of the edge. A polling
// one (sim_set_polling) looks at pin 2 only at fixed moments, as a firmware loop does: an edge
// counts at the first look after it, a rising edge then samples pin 3 as it stands at that look,
// a falling edge then puts the next bit on pin 4, and a clock phase that ends between two
// looks is never seen. Commands: 0xAA -> 1 byte (0x55); 0xA3 -> 0x53 and the five settings;
// 0xA6 + 5 bytes: kept pending, stored only if the next command is 0xA9; 0xA1 + 3 bytes:
// stored as date bytes 0..2; 0xA2 -> the seven date bytes; any other byte: no answer. When it
// does not drive pin 4 the line reads 1. The last reply bit stays on the line until the next
// falling edge. If the clock stands still for more than 100 ms in the middle of a frame being
// received, the partly received frame is dropped and the detector waits for a new command.
// There are no threads or timers: everything happens inside the calls, worked out from their
// times; the control functions below first let a polling detector take its looks up to now.
// A slow bridge (sim_set_call_duration) makes each call last as long as a USB report and its
// answer would: SetPin, ClearPin and the configuration calls act on the pins at the end of
// that time, ReadPin samples pin 4 halfway through it.
//
// Trace file, to watch a run of the real program: when VIREL_SIM_TRACE names a file on load
// (and again at each sim_reset(), which reads the variable anew), that file is created empty
// and gets a line per event, flushed at once. "T CALL ARG VALUE RESULT" for each entry-point
// call: T milliseconds since the load or reset, with three decimals, at the moment the call
// acted; CALL the entry point's name; ARG, VALUE and RESULT as in SimTraceEntry, in decimal,
// RESULT 1 or 0. "T frame A6 01 14 03 07 0F" for each frame the detector took in completely,
// "T reply 55" for each reply once its last bit is on pin 4: bytes in upper-case hex, first
// byte first. Without the variable there is no file.

#include <stdbool.h>
#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32) && defined(SIMPLEIO_BUILD)
#define SIM_EXPORT __declspec(dllexport)
#elif defined(_WIN32)
#define SIM_EXPORT __declspec(dllimport)
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
    // Pin (SetPin, ClearPin, ReadPin), mask (ConfigureIO, ConfigureMCP2200), baud rate
    // (fnSetBaudRate, as passed) or vendor id (InitMCP2200); 0 where the call has none.
    unsigned long arg;
    unsigned int value; // ReadPin: the level reported; otherwise 0
    bool result; // what the entry point returned (true for void calls)
    // Monotonic clock (sim_clock_nanoseconds) at the moment the call acted on the pins: its
    // start for an instant call, later inside a slow one (see above).
    unsigned long long nanoseconds;
    // The call's further arguments, in order: InitMCP2200's product id; ConfigureMCP2200's
    // baud rate, rxLedMode, txLedMode, flow, uload, sspnd. Zero elsewhere.
    unsigned long more[6];
} SimTraceEntry;

// Back to the start state above.
SIM_EXPORT void sim_reset(void);

// An absent detector ignores the line and leaves pin 4 high. Changing presence loses
// whatever frame was in progress.
SIM_EXPORT void sim_set_present(bool present);
SIM_EXPORT bool sim_is_present(void);

// Stored settings in wire order: flags, angle, level1, level2, level3.
SIM_EXPORT void sim_set_config(const unsigned char config[5]);
SIM_EXPORT void sim_get_config(unsigned char config[5]);

// Seven date bytes as the 0xA2 reply carries them: year % 100, month, day, then four more.
SIM_EXPORT void sim_set_date(const unsigned char date[7]);
SIM_EXPORT void sim_get_date(unsigned char date[7]);

// Faults.
// The byte answered to 0xAA; 0x55 is the good one.
SIM_EXPORT void sim_set_handshake_reply(unsigned char reply);
// Replies to 0xA3 whose first byte is 0x00 instead of 0x53: 0 none, n the next n replies,
// -1 every reply.
SIM_EXPORT void sim_set_marker_fault(int times);
// Every committed write stores value at wire index 0..4 instead of the byte written;
// an index outside 0..4 (for example -1) switches the fault off.
SIM_EXPORT void sim_set_store_fault(int index, unsigned char value);
// While set, the call returns false and has no effect (InitMCP2200 then opens nothing). Meant
// for SetPin, ConfigureIO and ConfigureMCP2200; every entry point accepts it.
SIM_EXPORT void sim_set_call_fails(SimCall call, bool fails);
// One bit arrives inverted. Towards the detector: the next level the PC puts on pin 3 while the
// clock is low (a data bit the detector takes at the rising edge); from the detector: the next
// level ReadPin reports for pin 4. Stays armed until that bit comes; arming twice flips once.
SIM_EXPORT void sim_flip_next_bit(bool towardsDetector);

// Timing.
// Looks of a polling detector at offsetMicroseconds + k * periodMicroseconds on the monotonic
// clock below; a period of 0 makes the detector ideal again.
SIM_EXPORT void sim_set_polling(unsigned int periodMicroseconds, unsigned int offsetMicroseconds);
// Every later call of that kind takes this long (0: instant).
SIM_EXPORT void sim_set_call_duration(SimCall call, unsigned int microseconds);
// How long the clock may stand still in the middle of a frame before the detector drops it
// (100 ms after a reset); 0: never dropped.
SIM_EXPORT void sim_set_stall_limit(unsigned int milliseconds);
// The monotonic clock of the trace and of the looks, in nanoseconds.
SIM_EXPORT unsigned long long sim_clock_nanoseconds(void);

// Observation.
SIM_EXPORT int sim_pin_level(unsigned int pin); // line level 0/1 as the bridge sees it
SIM_EXPORT unsigned int sim_io_mask(void); // last applied direction mask (1 = input)
SIM_EXPORT unsigned int sim_baud_rate(void);
// Bytes of the last complete frame the detector took in, command byte first (the command
// alone for commands without data); copies at most capacity bytes and returns how many.
SIM_EXPORT size_t sim_received(unsigned char *buffer, size_t capacity);

// Trace of every entry-point call, recorded only while enabled; sim_trace_at() past the end
// gives an entry with every field zero.
SIM_EXPORT void sim_trace_enable(bool on);
SIM_EXPORT void sim_trace_clear(void);
SIM_EXPORT size_t sim_trace_size(void);
SIM_EXPORT SimTraceEntry sim_trace_at(size_t index);

#ifdef __cplusplus
}
#endif
