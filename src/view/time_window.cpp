// SPDX-License-Identifier: MIT
#include "view/time_window.hpp"

#include <algorithm>
#include <cmath>

namespace quillon {

double TimeWindow::Newest() const {
    return history_.Size() > 0 ? history_.SecondsAt(history_.Size() - 1) : 0.0;
}

double TimeWindow::Oldest() const {
    return history_.Size() > 0 ? history_.SecondsAt(0) : 0.0;
}

int TimeWindow::ScrollSteps() const {
    return static_cast<int>(
        std::ceil(std::max(0.0, Newest() - Oldest() - span_) * kStepsPerSecond));
}

double TimeWindow::FollowingEnd() const {
    return std::max(Newest(), span_);
}

double TimeWindow::ScrolledEnd(int position) const {
    const double end = Oldest() + span_ + static_cast<double>(position) / kStepsPerSecond;
    return std::min(end, FollowingEnd());
}

}  // namespace quillon
