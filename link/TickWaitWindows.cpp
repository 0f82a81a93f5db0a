#include "TickWait.h"

#include <windows.h>

#include <mmsystem.h>

#include <algorithm>

// Windows 10 1803 and later; older headers lack it.
#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif
// Windows 11 SDK (10.0.22000) and later; older headers lack it.
#ifndef PROCESS_POWER_THROTTLING_IGNORE_TIMER_RESOLUTION
#define PROCESS_POWER_THROTTLING_IGNORE_TIMER_RESOLUTION 0x4
#endif
// Windows 10 1709 SDK (10.0.16299) and later, all three together; older headers lack them.
#ifndef PROCESS_POWER_THROTTLING_CURRENT_VERSION
#define PROCESS_POWER_THROTTLING_CURRENT_VERSION 1
#define ProcessPowerThrottling static_cast<PROCESS_INFORMATION_CLASS>(4)
typedef struct _PROCESS_POWER_THROTTLING_STATE
{
    ULONG Version;
    ULONG ControlMask;
    ULONG StateMask;
} PROCESS_POWER_THROTTLING_STATE;
#endif

namespace {

using Hundreds = std::chrono::duration<LONGLONG, std::ratio<1, 10000000>>;
using SetProcessInformationFunction
    = BOOL(WINAPI *)(HANDLE, PROCESS_INFORMATION_CLASS, LPVOID, DWORD);

} // namespace

// Without a high-resolution timer a wait ends on the system's clock tick, 15.6 ms by default.
TickWait::TickWait()
    : timer(CreateWaitableTimerExW(
        nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION, TIMER_ALL_ACCESS))
{ }

TickWait::~TickWait()
{
    exchangeEnded();
    if (timer)
        CloseHandle(timer);
}

void TickWait::sleep(std::chrono::steady_clock::duration span)
{
    if (timer) {
        LARGE_INTEGER due;
        // Negative: relative to now.
        due.QuadPart = -std::chrono::ceil<Hundreds>(span).count();
        if (SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE)
            && WaitForSingleObject(timer, INFINITE) == WAIT_OBJECT_0)
            return;
    }
    // Sleep(0) only yields: whatever the span, at least a millisecond is slept.
    const auto whole = std::chrono::ceil<std::chrono::milliseconds>(span).count();
    Sleep(DWORD(std::max<decltype(whole)>(whole, 1)));
}

void TickWait::exchangeStarted()
{
    if (!timer && !periodHeld)
        periodHeld = timeBeginPeriod(1) == TIMERR_NOERROR;
}

void TickWait::exchangeEnded()
{
    if (periodHeld)
        timeEndPeriod(1);
    periodHeld = false;
}

void TickWait::preparePrecisePacing()
{
    // Windows 11 coarsens the timers of a hidden or minimized window's process; the line needs
    // them fine all the same. Windows before 8 has no such call and no such throttling.
    const auto address = GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetProcessInformation");
    if (!address)
        return;
    const auto setProcessInformation
        = reinterpret_cast<SetProcessInformationFunction>(reinterpret_cast<void (*)()>(address));
    PROCESS_POWER_THROTTLING_STATE state {};
    state.Version = PROCESS_POWER_THROTTLING_CURRENT_VERSION;
    state.ControlMask = PROCESS_POWER_THROTTLING_IGNORE_TIMER_RESOLUTION;
    state.StateMask = 0;
    setProcessInformation(GetCurrentProcess(), ProcessPowerThrottling, &state, sizeof state);
}
