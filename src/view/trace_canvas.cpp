// SPDX-License-Identifier: MIT
#include "view/trace_canvas.hpp"

#include <algorithm>
#include <cmath>

#include "panel/panel.hpp"

namespace quillon {
namespace {

constexpr int kNoY = -1;

}  // namespace

// Where a value stands in its area, top (the upper range value) to bottom (the lower); kNoY
// for a value that is not a number.
int TraceCanvas::RowScale::Y(float value) const {
    const double fraction = span == 0.0 ? 0.5 : (upper - value) / span;
    if (std::isnan(fraction)) {
        return kNoY;
    }
    const double clamped = std::clamp(fraction, 0.0, 1.0);
    return top + static_cast<int>(std::lround(clamped * (height - 1)));
}

std::vector<TraceCanvas::RowScale> TraceCanvas::RowScales(const PlotLayout& layout,
                                                          const std::vector<ChannelLook>& looks,
                                                          std::size_t rows) {
    std::vector<RowScale> scales;
    scales.reserve(rows);
    for (std::size_t row = 0; row < rows; ++row) {
        const ChannelLook& look = row < looks.size() ? looks[row] : ChannelLook{};
        const PlotRect area = layout.TraceArea(static_cast<int>(row));
        scales.push_back({area.top, area.height, look.upper, look.upper - look.lower});
    }
    return scales;
}

void TraceCanvas::Resize(int width, int height) {
    width_ = std::max(width, 0);
    height_ = std::max(height, 0);
    pixels_.assign(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), 0);
}

void TraceCanvas::FillRow(int y, std::uint32_t colour) {
    std::uint32_t* row = pixels_.data() + static_cast<std::size_t>(y) * width_;
    std::fill(row, row + width_, colour);
}

void TraceCanvas::Line(int x, int from, int to, std::uint32_t colour) {
    std::uint32_t* pixel = pixels_.data() + static_cast<std::size_t>(from) * width_ + x;
    for (int y = from; y <= to; ++y, pixel += width_) {
        *pixel = colour;
    }
}

// Row by row, as memory lies, then the columns' own pixels.
void TraceCanvas::DrawAll(const ColumnReduction& reduction, const PlotLayout& layout,
                          const std::vector<ChannelLook>& looks, const PlotColours& colours) {
    std::fill(pixels_.begin(), pixels_.end(), colours.background);
    if (layout.StripHeight() > 0) {
        for (int row = 0; row < layout.Rows(); ++row) {
            FillRow(layout.Strip(row).Bottom() - 1, colours.separator);
        }
    }
    const std::vector<RowScale> rows = RowScales(layout, looks, reduction.Rows());
    for (int x = 0; x < std::min(width_, reduction.Columns()); ++x) {
        DrawColumn(x, reduction, layout, rows, colours);
    }
}

void TraceCanvas::DrawChanged(const ColumnReduction& reduction, const PlotLayout& layout,
                              const std::vector<ChannelLook>& looks, const PlotColours& colours) {
    const std::vector<RowScale> rows = RowScales(layout, looks, reduction.Rows());
    for (int x = 0; x < std::min(width_, reduction.Columns()); ++x) {
        if (reduction.Changed(x)) {
            ClearColumn(x, layout, colours);
            DrawColumn(x, reduction, layout, rows, colours);
        }
    }
}

void TraceCanvas::ClearColumn(int x, const PlotLayout& layout, const PlotColours& colours) {
    Line(x, 0, height_ - 1, colours.background);
    if (layout.StripHeight() > 0) {
        for (int row = 0; row < layout.Rows(); ++row) {
            const int y = layout.Strip(row).Bottom() - 1;
            pixels_[static_cast<std::size_t>(y) * width_ + x] = colours.separator;
        }
    }
}

// Each trace from its lowest to its highest value in the column, joined to the value it came
// from, so that a step shows as a line and not as two dots; then the bands.
void TraceCanvas::DrawColumn(int x, const ColumnReduction& reduction, const PlotLayout& layout,
                             const std::vector<RowScale>& rows, const PlotColours& colours) {
    if (!reduction.HasTicks(x) || layout.Height() != height_) {
        return;
    }
    if (layout.StripHeight() > 0) {
        for (std::size_t row = 0; row < rows.size(); ++row) {
            const ColumnReduction::Extremes range = reduction.At(x, row);
            if (range.Empty()) {
                continue;
            }
            const RowScale& scale = rows[row];
            int top = scale.Y(range.high);
            int bottom = scale.Y(range.low);
            const int enter = scale.Y(range.enter);
            if (enter != kNoY) {
                top = std::min(top, enter);
                bottom = std::max(bottom, enter);
            }
            Line(x, top, bottom, colours.trace);
        }
    }
    const std::uint16_t active = reduction.ActiveSlots(x);
    for (int slot = 0; slot < kSlotCount; ++slot) {
        const PlotRect band = layout.Band(slot);
        if (band.Bottom() <= height_ && band.height > 0) {
            Line(x, band.top, band.Bottom() - 1,
                 (active >> slot & 1U) != 0 ? colours.active : colours.inactive);
        }
    }
}

}  // namespace quillon
