// One-shot timer with the meaning of the Windows multimedia timer (timeSetEvent with
// TIME_ONESHOT, timeKillEvent), without its cap on pending timers. On Windows a Win32 timer
// queue of ours fires; elsewhere a timer thread of ours does. Handlers run one at a time, in
// order of due time, on that one thread.
#pragma once

#include <cstdint>

namespace tarnix::platform {

// Called once on the timer's own thread with the id TimerStart returned and its user data.
using TimerProc = void (*)(uint32_t timerId, void* user);

// The delays TimerStart accepts, in milliseconds (the multimedia timer's range).
constexpr uint32_t kTimerMinDelayMs = 1;
constexpr uint32_t kTimerMaxDelayMs = 1000000;

// Schedules proc(id, user) once after delayMs milliseconds. Returns the timer id, never 0,
// or 0 when no timer could be had. As with the multimedia timer, a delay of 0 is refused, and
// so are delays over kTimerMaxDelayMs; any number of timers may be pending. Ids are counted
// up, so a finished id is not handed out again soon.
uint32_t TimerStart(uint32_t delayMs, TimerProc proc, void* user);

// Cancels the timer: after it returns, proc is not running and will not run for this id,
// unless it is called from inside that very handler (which then simply returns). So the
// owner of the user data may destroy it right after TimerCancel. Unknown or finished ids
// are ignored.
void TimerCancel(uint32_t timerId);

}  // namespace tarnix::platform
