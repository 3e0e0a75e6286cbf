// SPDX-License-Identifier: MIT
#pragma once

#include "control/sample_history.hpp"

namespace quillon {

// Which span of the history a channels view shows. Following, it ends at the newest tick (or
// at `span`, so that a young history fills the plot from the left); paused, a scroll position
// in tenths of a second moves it back through what the history holds.
class TimeWindow {
public:
    static constexpr int kStepsPerSecond = 10;

    TimeWindow(const SampleHistory& history, double span) : history_(history), span_(span) {}

    // The scroll positions there are, 0 (the oldest span) to ScrollSteps() (the newest).
    int ScrollSteps() const;
    double FollowingEnd() const;
    double ScrolledEnd(int position) const;

private:
    double Newest() const;
    double Oldest() const;

    const SampleHistory& history_;
    double span_;
};

}  // namespace quillon
