// SPDX-License-Identifier: MIT
#include "control/cycle_overrun.hpp"

#include <algorithm>
#include <cmath>

namespace quillon {
namespace {

constexpr std::chrono::minutes kWindow{1};
constexpr std::chrono::seconds kReportEvery{1};

}  // namespace

std::optional<CycleOverrun::Report> CycleOverrun::TickTook(Time start, Time end) {
    const Milliseconds took = end - start;
    if (took <= period_) {
        return std::nullopt;
    }
    last_minute_.push_back({end, took});
    while (last_minute_.front().end + kWindow <= end) {
        last_minute_.pop_front();
    }
    if (last_report_ && end - *last_report_ < kReportEvery) {
        return std::nullopt;
    }
    last_report_ = end;
    Report report;
    report.ticks = static_cast<int>(last_minute_.size());
    for (const Overrun& overrun : last_minute_) {
        report.worst = std::max(report.worst, overrun.took);
    }
    report.text = "cycle overrun: " + std::to_string(report.ticks) +
                  (report.ticks == 1 ? " tick" : " ticks") + " over " +
                  std::to_string(period_.count()) + " ms in the last minute (worst " +
                  std::to_string(std::llround(report.worst.count())) + " ms)";
    return report;
}

}  // namespace quillon
