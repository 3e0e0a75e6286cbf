// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <vector>

#include "view/channel_look.hpp"
#include "view/column_reduction.hpp"
#include "view/plot_layout.hpp"

namespace quillon {

// Colours as 0xAARRGGBB, the pixel layout of both front ends' 32-bit images.
struct PlotColours {
    std::uint32_t background = 0xFFFFFFFF;
    std::uint32_t trace = 0xFF3070C0;
    std::uint32_t separator = 0xFFA0A0A0;
    std::uint32_t active = 0xFFFF0000;    // the lamps' colours: red while active,
    std::uint32_t inactive = 0xFF00C000;  // green while not
    bool operator==(const PlotColours&) const = default;
};

// The pixels of the reduced columns: the traces, each strip's separator and the slot bands,
// in the reduction's ring (canvas column n shows ring slot n). Only the slots the reduction
// marks changed are drawn again; the front end copies the ring to the screen in two pieces.
class TraceCanvas {
public:
    void Resize(int width, int height);
    // Every column afresh, or only the changed ones. `looks` holds one look per row.
    void DrawAll(const ColumnReduction& reduction, const PlotLayout& layout,
                 const std::vector<ChannelLook>& looks, const PlotColours& colours);
    void DrawChanged(const ColumnReduction& reduction, const PlotLayout& layout,
                     const std::vector<ChannelLook>& looks, const PlotColours& colours);

    int Width() const { return width_; }
    int Height() const { return height_; }
    // Rows top to bottom, `Width()` pixels each.
    const std::uint32_t* Pixels() const { return pixels_.data(); }
    std::uint32_t At(int x, int y) const {
        return pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
                       static_cast<std::size_t>(x)];
    }

private:
    // A row's trace area and range, worked out once for all the columns drawn.
    struct RowScale {
        int top;
        int height;
        double upper;
        double span;
        int Y(float value) const;
    };
    static std::vector<RowScale> RowScales(const PlotLayout& layout,
                                           const std::vector<ChannelLook>& looks, std::size_t rows);

    void FillRow(int y, std::uint32_t colour);
    void ClearColumn(int x, const PlotLayout& layout, const PlotColours& colours);
    void DrawColumn(int x, const ColumnReduction& reduction, const PlotLayout& layout,
                    const std::vector<RowScale>& rows, const PlotColours& colours);
    void Line(int x, int from, int to, std::uint32_t colour);

    int width_ = 0;
    int height_ = 0;
    std::vector<std::uint32_t> pixels_;
};

}  // namespace quillon
