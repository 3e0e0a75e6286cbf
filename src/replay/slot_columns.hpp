// SPDX-License-Identifier: MIT
#pragma once

#include <vector>

namespace quillon {

// When each slot was on, per pixel column of the plot: whether it was on in any part of the
// column, and for what share of the column's time. A slot that switches every tick for a day
// still takes a few kilobytes, and its band a rect per column at most.
class SlotColumns {
public:
    SlotColumns(int slots, int columns, double from, double to);

    // The slot was on from `from` until `to` (recording time).
    void AddOn(int slot, double from, double to);

    int Columns() const { return columns_; }
    bool On(int slot, int column) const { return Cell(slot, column).on; }
    // The share of the column's time the slot was on, 0 to 1.
    double Share(int slot, int column) const { return Cell(slot, column).seconds / width_; }

private:
    struct Column {
        bool on = false;
        double seconds = 0.0;
    };
    double Position(double seconds) const { return (seconds - from_) / width_; }
    int Clamped(double position) const;
    const Column& Cell(int slot, int column) const {
        return cells_[static_cast<std::size_t>(slot) * static_cast<std::size_t>(columns_) +
                      static_cast<std::size_t>(column)];
    }

    int columns_;
    double from_;
    double width_;  // of one column, in seconds
    std::vector<Column> cells_;
};

}  // namespace quillon
