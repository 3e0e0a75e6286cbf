// SPDX-License-Identifier: MIT
#include "view/plot_layout.hpp"

#include <algorithm>

#include "panel/panel.hpp"

namespace quillon {
namespace {

constexpr int kBandGap = 1;
constexpr int kMarkHeight = 12;
constexpr int kTickLength = 4;
constexpr int kTraceInset = 2;

}  // namespace

PlotLayout::PlotLayout(int width, int height, int line_height, int rows)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      line_height_(std::max(line_height, 1)),
      rows_(std::max(rows, 0)) {}

int PlotLayout::BandsHeight() const {
    return kSlotCount * (line_height_ + kBandGap);
}

int PlotLayout::TraceHeight() const {
    return std::max(0, height_ - Axis().height - BandsHeight() - kMarkHeight);
}

int PlotLayout::StripHeight() const {
    return rows_ > 0 ? TraceHeight() / rows_ : 0;
}

PlotRect PlotLayout::Strip(int row) const {
    return {0, row * StripHeight(), width_, StripHeight()};
}

PlotRect PlotLayout::TraceArea(int row) const {
    const PlotRect strip = Strip(row);
    const int inset = strip.height > 4 * kTraceInset ? kTraceInset : 0;
    return {0, strip.top + inset, width_, std::max(strip.height - 1 - 2 * inset, 1)};
}

PlotRect PlotLayout::Axis() const {
    const int height = line_height_ + kTickLength;
    return {0, std::max(0, height_ - kMarkHeight - BandsHeight() - height), width_, height};
}

PlotRect PlotLayout::Band(int slot) const {
    const int top = Axis().Bottom() + slot * (line_height_ + kBandGap);
    return {0, top, width_, line_height_};
}

PlotRect PlotLayout::MarkRow() const {
    return {0, Band(kSlotCount - 1).Bottom() + kBandGap, width_, kMarkHeight};
}

}  // namespace quillon
