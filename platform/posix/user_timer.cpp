// Window timers on the virtual clock.
#include "user_objects.h"
#include "qlv_headless.h"

#include <algorithm>

namespace qlv::user {

void KillWindowTimers(HWND window) {
    auto &timers = GetState().timers;
    timers.erase(std::remove_if(timers.begin(), timers.end(), [&](const Timer &t) { return t.window == window; }),
                 timers.end());
}

static Timer *FindTimer(HWND window, UINT_PTR id) {
    for (Timer &t : GetState().timers)
        if (t.window == window && t.id == id) return &t;
    return nullptr;
}

}  // namespace qlv::user

using namespace qlv::user;

extern "C" {

// Windows' bounds on a timer period.
static constexpr UINT kMinPeriod = 10;
static constexpr UINT kMaxPeriod = 0x7fffffff;

UINT_PTR WINAPI SetTimer(HWND handle, UINT_PTR id, UINT elapse_ms, TIMERPROC timer_proc) {
    Window *window = Find(handle);
    if (!window) return 0;
    State &state = GetState();
    UINT period = std::clamp(elapse_ms, kMinPeriod, kMaxPeriod);
    Timer *timer = FindTimer(handle, id);
    if (!timer) {
        state.timers.push_back(Timer{handle, id, period, 0, 0, nullptr});
        timer = &state.timers.back();
    }
    timer->period = period;
    timer->due = state.now_ms + period;
    timer->serial = ++state.timer_serial;
    timer->proc = timer_proc;
    return id != 0 ? id : 1;
}

BOOL WINAPI KillTimer(HWND handle, UINT_PTR id) {
    auto &timers = GetState().timers;
    auto it = std::find_if(timers.begin(), timers.end(),
                           [&](const Timer &t) { return t.window == handle && t.id == id; });
    if (it == timers.end()) return FALSE;
    timers.erase(it);
    return TRUE;
}

DWORD WINAPI QlvHeadlessClockNow(void) { return static_cast<DWORD>(GetState().now_ms); }

int WINAPI QlvHeadlessAdvanceClock(DWORD milliseconds) {
    State &state = GetState();
    state.now_ms += milliseconds;
    const uint64_t now = state.now_ms;

    struct Due {
        HWND window;
        UINT_PTR id;
        uint64_t due;
        uint64_t serial;
    };
    std::vector<Due> due;
    for (const Timer &t : state.timers)
        if (t.due <= now) due.push_back(Due{t.window, t.id, t.due, t.serial});
    std::sort(due.begin(), due.end(),
              [](const Due &a, const Due &b) { return a.due != b.due ? a.due < b.due : a.serial < b.serial; });

    int delivered = 0;
    for (const Due &d : due) {
        // An earlier handler may have killed, restarted or destroyed this one.
        Timer *timer = FindTimer(d.window, d.id);
        if (!timer || timer->serial != d.serial || timer->due > now) continue;
        uint64_t missed = (now - timer->due) / timer->period;
        timer->due += (missed + 1) * timer->period;
        TIMERPROC proc = timer->proc;
        ++delivered;
        if (proc) proc(d.window, WM_TIMER, d.id, static_cast<DWORD>(now));
        else SendMessageA(d.window, WM_TIMER, d.id, 0);
    }
    return delivered;
}

int WINAPI QlvHeadlessTimerCount(void) { return static_cast<int>(GetState().timers.size()); }

}  // extern "C"
