// The timer probe: a library the end-to-end driver loads into the running
// jexmarlo.exe through a message hook.  There it records every timer the
// code view arms or stops, and runs the code view's timers of a minute or
// more 1000 times faster (a minute passes in 60 ms), so that a test sees
// the interval asked for and the timer firing without waiting minutes.
#pragma once

#include <windows.h>

namespace e2e {

// Shared memory between the probe in the program and the driver.
struct TimerLog {
    LONG ready;  // the probe is in the program and watching
    LONG count;  // entries written so far
    struct Entry {
        UINT_PTR id;
        UINT elapse;  // ms asked for; 0 for a stopped timer
        BOOL stopped;
    } entries[64];
};

inline const char kTimerLogName[] = "jexTimerProbeLog";
inline const char kTimerProbeHook[] = "timerProbeHook";  // the WH_GETMESSAGE procedure it exports
inline constexpr UINT kTimerSpeedUp = 1000;

}  // namespace e2e
