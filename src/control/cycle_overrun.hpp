// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <deque>
#include <optional>
#include <string>

namespace quillon {

// Counts the scan ticks that took longer than the period, over the last minute, so that a
// cycle that no longer holds its period says so instead of slipping silently.
class CycleOverrun {
public:
    using Time = std::chrono::steady_clock::time_point;
    using Milliseconds = std::chrono::duration<double, std::milli>;

    struct Report {
        int ticks = 0;         // over the period in the last minute
        Milliseconds worst{};  // the longest of them
        std::string text;      // for the status line
    };

    explicit CycleOverrun(std::chrono::milliseconds period) : period_(period) {}

    // A tick ran from `start` to `end`. A report when it overran and none was made in the
    // last second.
    std::optional<Report> TickTook(Time start, Time end);

private:
    struct Overrun {
        Time end;
        Milliseconds took;
    };

    std::chrono::milliseconds period_;
    std::deque<Overrun> last_minute_;
    std::optional<Time> last_report_;
};

}  // namespace quillon
