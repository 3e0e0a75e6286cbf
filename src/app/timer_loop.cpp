// SPDX-License-Identifier: MIT
#include "app/timer_loop.hpp"

#include "panel/timer_periods.hpp"

namespace quillon {
namespace {

// How often the host is serviced and the stop flag looked at when no timer runs.
constexpr std::chrono::milliseconds kIdlePoll{10};

}  // namespace

TimerLoop::TimerLoop(Application& application, Clock& clock, Service service_host)
    : application_(application),
      clock_(clock),
      service_host_(std::move(service_host)),
      timers_{Timer{kScanTimerPeriod, &Panel::ScanTimerEnabled, &Application::ScanTick},
              Timer{kAlarmTimerPeriod, &Panel::AlarmTimerEnabled, &Application::AlarmTick},
              Timer{kKeepAliveTimerPeriod, &Panel::KeepAliveTimerEnabled,
                    &Application::KeepAliveTick}} {}

void TimerLoop::Run(const std::function<bool()>& stop) {
    while (!stop() && !application_.Ended()) {
        clock_.SleepUntil(NextWake(clock_.Monotonic()));
        service_host_();
        if (stop() || application_.Ended()) {
            break;
        }
        FireDueTimers(clock_.Monotonic());
    }
}

TimerLoop::Time TimerLoop::NextWake(Time now) {
    Time wake = now + kIdlePoll;
    Panel& panel = application_.GetPanel();
    for (Timer& timer : timers_) {
        const bool enabled = (panel.*timer.enabled)();
        if (enabled && !timer.running) {
            timer.due = now + timer.period;  // an enabled timer first ticks one period later
        }
        timer.running = enabled;
        if (enabled && timer.due < wake) {
            wake = timer.due;
        }
    }
    return wake;
}

void TimerLoop::FireDueTimers(Time now) {
    Panel& panel = application_.GetPanel();
    for (Timer& timer : timers_) {
        if (!timer.running || !(panel.*timer.enabled)() || timer.due > now) {
            continue;
        }
        if (&timer == &timers_[0] && scan_observer_) {
            scan_observer_(clock_.Monotonic());
        }
        (application_.*timer.tick)();
        timer.due += timer.period;
        const Time after = clock_.Monotonic();
        if (timer.due < after) {
            timer.due = after;  // overrun: the next tick follows at once, no backlog
        }
        if (application_.Ended()) {
            return;
        }
    }
}

}  // namespace quillon
