// SPDX-License-Identifier: MIT
#include "replay/trace_columns.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

namespace quillon {

TraceColumns::TraceColumns(int columns, double from, double to)
    : columns_(std::max(columns, 1)), from_(from), to_(std::max(to, from + 1e-9)) {}

int TraceColumns::ColumnOf(double seconds) const {
    const double position = (seconds - from_) / (to_ - from_) * columns_;
    return std::clamp(static_cast<int>(std::floor(position)), 0, columns_ - 1);
}

void TraceColumns::Add(double seconds, const SampleBlock& block, int scan) {
    if (block.Channels() != channels_) {
        channels_ = block.Channels();
        const Range empty{std::numeric_limits<float>::max(), std::numeric_limits<float>::lowest()};
        ranges_.assign(static_cast<std::size_t>(channels_) * static_cast<std::size_t>(columns_),
                       empty);
    }
    if (scan < 0 || scan >= block.Scans()) {
        return;
    }
    const int column = ColumnOf(seconds);
    for (int channel = 0; channel < channels_; ++channel) {
        const auto value = static_cast<float>(block.At(channel, scan));
        Range& range =
            ranges_[static_cast<std::size_t>(channel) * static_cast<std::size_t>(columns_) +
                    static_cast<std::size_t>(column)];
        range.low = std::min(range.low, value);
        range.high = std::max(range.high, value);
    }
}

}  // namespace quillon
