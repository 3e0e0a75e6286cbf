// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

#include "host/sample_block.hpp"

namespace quillon {

// Each channel's samples reduced to the smallest and largest value per pixel column of a
// plot, as the ticks read them: a day at 100 ticks a second fits in a few kilobytes.
class TraceColumns {
public:
    struct Range {
        float low;
        float high;
        bool Empty() const { return low > high; }
    };

    TraceColumns(int columns, double from, double to);

    // The tick at `seconds` (recording time) read `block`, whose current scan is `scan`.
    void Add(double seconds, const SampleBlock& block, int scan);

    int Columns() const { return columns_; }
    int Channels() const { return channels_; }
    double From() const { return from_; }
    double To() const { return to_; }
    const Range& At(int channel, int column) const {
        return ranges_[static_cast<std::size_t>(channel) * static_cast<std::size_t>(columns_) +
                       static_cast<std::size_t>(column)];
    }
    // The column that `seconds` falls in, within the plot.
    int ColumnOf(double seconds) const;

private:
    int columns_;
    double from_;
    double to_;
    int channels_ = 0;
    std::vector<Range> ranges_;
};

}  // namespace quillon
