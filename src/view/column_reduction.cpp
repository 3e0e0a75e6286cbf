// SPDX-License-Identifier: MIT
#include "view/column_reduction.hpp"

#include <algorithm>
#include <cmath>

namespace quillon {
namespace {

constexpr float kNoValue = std::numeric_limits<float>::quiet_NaN();

// Apart from each other by construction; saying so lets the compiler vectorise the loop.
void WidenByRow(float* __restrict low, float* __restrict high, const float* __restrict values,
                std::size_t rows) {
    for (std::size_t row = 0; row < rows; ++row) {
        low[row] = std::min(low[row], values[row]);
        high[row] = std::max(high[row], values[row]);
    }
}

}  // namespace

void ColumnReduction::Configure(int columns, double seconds_per_column, std::vector<int> channels) {
    columns_ = std::max(columns, 0);
    seconds_per_column_ = seconds_per_column > 0.0 ? seconds_per_column : 1.0;
    channels_ = std::move(channels);
    columns_state_.assign(Index(columns_), Column{});
    values_.assign(Index(columns_) * 3 * channels_.size(), 0.0F);
    changed_.assign(Index(columns_), 1);
    filling_.assign(Index(columns_), 0);
    history_channels_ = -1;
}

int ColumnReduction::RingStart() const {
    return SlotOf(first_);
}

int ColumnReduction::SlotOf(std::int64_t column) const {
    const std::int64_t slot = column % columns_;
    return static_cast<int>(slot < 0 ? slot + columns_ : slot);
}

std::int64_t ColumnReduction::ColumnOf(double seconds) const {
    const double column = std::floor(seconds / seconds_per_column_);
    // Far outside any window: a time the grid cannot hold never lands in a column.
    if (!(std::abs(column) < 1e15)) {
        return kNoColumn;
    }
    return static_cast<std::int64_t>(column);
}

void ColumnReduction::ClearChanges() {
    std::fill(changed_.begin(), changed_.end(), 0);
}

void ColumnReduction::Update(const SampleHistory& history, double end_seconds) {
    if (columns_ == 0) {
        return;
    }
    if (history.Channels() != history_channels_) {
        Forget();
        history_channels_ = history.Channels();
        readable_ = channels_;
        in_order_ = true;
        for (std::size_t row = 0; row < readable_.size(); ++row) {
            int& channel = readable_[row];
            channel = channel >= 0 && channel < history_channels_ ? channel : -1;
            in_order_ = in_order_ && channel == static_cast<int>(row);
        }
        next_tick_ = history.Recorded();
    }
    const std::int64_t end = ColumnOf(end_seconds);
    if (end != kNoColumn) {
        MoveTo(end - columns_ + 1);
    }
    FoldNewTicks(history);
    ReadNewColumns(history);
}

// A history started afresh (another channel count) holds none of the ticks reduced so far.
void ColumnReduction::Forget() {
    for (Column& column : columns_state_) {
        column.number = kNoColumn;
    }
    std::fill(changed_.begin(), changed_.end(), 1);
}

void ColumnReduction::MoveTo(std::int64_t first) {
    first_ = first;
    for (int slot = 0; slot < columns_; ++slot) {
        Column& column = columns_state_[Index(slot)];
        if (column.number != kNoColumn &&
            (column.number < first_ || column.number >= first_ + columns_)) {
            column.number = kNoColumn;
            changed_[Index(slot)] = 1;
        }
    }
}

// The ticks recorded since the last update, into the columns already read.
void ColumnReduction::FoldNewTicks(const SampleHistory& history) {
    const std::uint64_t recorded = history.Recorded();
    const std::uint64_t held_from = recorded - history.Size();
    for (std::uint64_t tick = std::max(next_tick_, held_from); tick < recorded; ++tick) {
        const auto index = static_cast<std::size_t>(tick - held_from);
        const std::int64_t column = ColumnOf(history.SecondsAt(index));
        if (column == kNoColumn || column < first_ || column >= first_ + columns_) {
            continue;
        }
        const int slot = SlotOf(column);
        if (columns_state_[Index(slot)].number == column) {
            Fold(history, slot, index);
        }
    }
    next_tick_ = recorded;
}

// The window's columns not held yet, from the ticks the history holds: one pass over them.
void ColumnReduction::ReadNewColumns(const SampleHistory& history) {
    std::int64_t lowest = kNoColumn;
    std::int64_t highest = kNoColumn;
    for (std::int64_t column = first_; column < first_ + columns_; ++column) {
        const int slot = SlotOf(column);
        filling_[Index(slot)] = columns_state_[Index(slot)].number != column ? 1 : 0;
        if (filling_[Index(slot)] != 0) {
            Clear(slot, column);
            lowest = lowest == kNoColumn ? column : lowest;
            highest = column;
        }
    }
    if (lowest == kNoColumn) {
        return;
    }
    // The first tick at or after the lowest column: the ticks are in time order.
    std::size_t low = 0;
    std::size_t high = history.Size();
    while (low < high) {
        const std::size_t middle = low + (high - low) / 2;
        const std::int64_t column = ColumnOf(history.SecondsAt(middle));
        if (column != kNoColumn && column < lowest) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    for (std::size_t tick = low; tick < history.Size(); ++tick) {
        const std::int64_t column = ColumnOf(history.SecondsAt(tick));
        if (column > highest) {
            break;
        }
        if (column == kNoColumn || column < lowest) {
            continue;
        }
        const int slot = SlotOf(column);
        if (filling_[Index(slot)] != 0) {
            Fold(history, slot, tick);
        }
    }
}

void ColumnReduction::Clear(int slot, std::int64_t number) {
    columns_state_[Index(slot)] = Column{number, false, 0};
    changed_[Index(slot)] = 1;
}

void ColumnReduction::Fold(const SampleHistory& history, int slot, std::size_t tick) {
    Column& column = columns_state_[Index(slot)];
    const std::size_t rows = readable_.size();
    float* low = Values(slot);
    float* high = low + rows;
    if (!column.has_ticks) {
        column.has_ticks = true;
        std::fill(low, high, std::numeric_limits<float>::infinity());
        std::fill(high, high + rows, -std::numeric_limits<float>::infinity());
        const float* before = tick > 0 ? history.RowAt(tick - 1) : nullptr;
        float* enter = high + rows;
        for (std::size_t row = 0; row < rows; ++row) {
            const int channel = readable_[row];
            enter[row] = before != nullptr && channel >= 0 ? before[channel] : kNoValue;
        }
    }
    column.active = static_cast<std::uint16_t>(column.active | history.ActiveSlotsAt(tick));
    const float* values = history.RowAt(tick);
    if (in_order_) {
        WidenByRow(low, high, values, rows);  // the common choice: the first channels
    } else {
        for (std::size_t row = 0; row < rows; ++row) {
            const int channel = readable_[row];
            if (channel >= 0) {
                low[row] = std::min(low[row], values[channel]);
                high[row] = std::max(high[row], values[channel]);
            }
        }
    }
    changed_[Index(slot)] = 1;
}

}  // namespace quillon
