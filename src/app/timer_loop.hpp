// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <functional>

#include "app/application.hpp"
#include "platform/clock.hpp"

namespace quillon {

// The window's three timers without a window: each enabled timer ticks on a fixed grid of its
// period on the Clock's monotonic time, so periods do not drift. A tick that overruns delays the
// next one; ticks never pile up and never run inside one another.
class TimerLoop {
public:
    using Service = std::function<void()>;

    TimerLoop(Application& application, Clock& clock, Service service_host);

    // Told the start of every scan tick, for measuring the period.
    void OnScanTick(std::function<void(std::chrono::steady_clock::time_point)> observer) {
        scan_observer_ = std::move(observer);
    }

    // Runs until `stop` says so (asked between ticks) or the program must end (the host
    // exited).
    void Run(const std::function<bool()>& stop);

private:
    using Time = std::chrono::steady_clock::time_point;
    struct Timer {
        std::chrono::milliseconds period;
        bool (Panel::*enabled)() const;
        void (Application::*tick)();
        bool running = false;
        Time due{};
    };

    Time NextWake(Time now);
    void FireDueTimers(Time now);

    Application& application_;
    Clock& clock_;
    Service service_host_;
    std::array<Timer, 3> timers_;
    std::function<void(std::chrono::steady_clock::time_point)> scan_observer_;
};

}  // namespace quillon
