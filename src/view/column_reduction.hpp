// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <limits>
#include <vector>

#include "control/sample_history.hpp"

namespace quillon {

// A SampleHistory reduced to pixel columns: per column the lowest, highest and last value of
// each shown channel over the column's ticks, and which slots were active at any of them.
//
// Columns lie on a fixed grid of time (column n covers n to n + 1 times the column's
// seconds), so a window that moves on by a column keeps every other column as it was: an
// update folds in only the ticks recorded since the last one and reads from the history only
// the columns new to the window. Columns sit in a ring, column n at slot n mod the width; a
// drawing kept in the same ring needs to redraw only the slots marked changed.
class ColumnReduction {
public:
    static constexpr std::int64_t kNoColumn = std::numeric_limits<std::int64_t>::min();

    struct Extremes {
        float low;
        float high;
        float enter;  // the channel's value at the tick before the column's first; NaN if none
        bool Empty() const { return !(low <= high); }
    };

    // The window's width in columns, the time each covers, and the channels reduced (one row
    // each, in the order given). Every column is read afresh at the next update.
    void Configure(int columns, double seconds_per_column, std::vector<int> channels);
    // The window ending with the column that holds `end_seconds`, brought up to date.
    void Update(const SampleHistory& history, double end_seconds);

    int Columns() const { return columns_; }
    std::size_t Rows() const { return channels_.size(); }
    double SecondsPerColumn() const { return seconds_per_column_; }
    const std::vector<int>& Channels() const { return channels_; }
    // The column of the window's left edge, and the ring slot it sits in.
    std::int64_t FirstColumn() const { return first_; }
    int RingStart() const;
    int SlotOfScreenColumn(int x) const { return (RingStart() + x) % columns_; }
    std::int64_t ColumnOf(double seconds) const;

    bool HasTicks(int slot) const { return columns_state_[Index(slot)].has_ticks; }
    std::uint16_t ActiveSlots(int slot) const { return columns_state_[Index(slot)].active; }
    Extremes At(int slot, std::size_t row) const {
        const float* column = Values(slot);
        const std::size_t rows = channels_.size();
        return {column[row], column[rows + row], column[2 * rows + row]};
    }

    bool Changed(int slot) const { return changed_[Index(slot)] != 0; }
    void ClearChanges();

private:
    struct Column {
        std::int64_t number = kNoColumn;
        bool has_ticks = false;
        std::uint16_t active = 0;
    };

    static std::size_t Index(int slot) { return static_cast<std::size_t>(slot); }
    // A column's lows, then its highs, then its entering values: one run of floats each.
    const float* Values(int slot) const { return values_.data() + Index(slot) * 3 * Rows(); }
    float* Values(int slot) { return values_.data() + Index(slot) * 3 * Rows(); }
    int SlotOf(std::int64_t column) const;
    void Forget();
    void MoveTo(std::int64_t first);
    void FoldNewTicks(const SampleHistory& history);
    void ReadNewColumns(const SampleHistory& history);
    void Clear(int slot, std::int64_t number);
    void Fold(const SampleHistory& history, int slot, std::size_t tick);

    int columns_ = 0;
    double seconds_per_column_ = 1.0;
    std::vector<int> channels_;
    std::vector<int> readable_;  // channels_, with -1 for a channel the history lacks
    int history_channels_ = -1;
    std::uint64_t next_tick_ = 0;  // the first tick, counted from the start, not yet folded
    std::int64_t first_ = 0;
    std::vector<Column> columns_state_;
    std::vector<float> values_;
    bool in_order_ = false;  // row n reduces channel n, for every row
    std::vector<std::uint8_t> changed_;
    std::vector<std::uint8_t> filling_;
};

}  // namespace quillon
