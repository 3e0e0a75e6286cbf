// SPDX-License-Identifier: MIT
#include "replay/slot_columns.hpp"

#include <algorithm>
#include <cmath>

namespace quillon {

SlotColumns::SlotColumns(int slots, int columns, double from, double to)
    : columns_(std::max(columns, 1)),
      from_(from),
      width_((std::max(to, from + 1e-9) - from) / columns_),
      cells_(static_cast<std::size_t>(std::max(slots, 0)) * static_cast<std::size_t>(columns_)) {}

int SlotColumns::Clamped(double position) const {
    if (!(position > 0.0)) {
        return 0;
    }
    return position >= columns_ ? columns_ - 1 : static_cast<int>(position);
}

void SlotColumns::AddOn(int slot, double from, double to) {
    if (slot < 0 ||
        static_cast<std::size_t>(slot + 1) * static_cast<std::size_t>(columns_) > cells_.size()) {
        return;
    }
    to = std::max(to, from);
    const double start = Position(from);
    const double end = Position(to);
    const int first = Clamped(std::floor(start));
    // An on-period that ends on a column's left edge was not on in that column.
    const int last = std::max(first, Clamped(end > start ? std::ceil(end) - 1.0 : end));
    for (int column = first; column <= last; ++column) {
        Column& cell = cells_[static_cast<std::size_t>(slot) * static_cast<std::size_t>(columns_) +
                              static_cast<std::size_t>(column)];
        cell.on = true;
        const double overlap = std::min(end, column + 1.0) - std::max(start, double(column));
        cell.seconds = std::min(width_, cell.seconds + std::max(overlap, 0.0) * width_);
    }
}

}  // namespace quillon
