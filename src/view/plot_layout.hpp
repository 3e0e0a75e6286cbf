// SPDX-License-Identifier: MIT
#pragma once

namespace quillon {

struct PlotRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    int Right() const { return left + width; }
    int Bottom() const { return top + height; }
};

// Where the parts of the channels plot lie, top to bottom: one strip per shown channel, the
// time axis, one band per slot (tall enough for the slot's name), and the row of alarm and
// e-mail marks. `line_height` is the height of a line of the front end's text.
class PlotLayout {
public:
    PlotLayout() = default;
    PlotLayout(int width, int height, int line_height, int rows);

    int Width() const { return width_; }
    int Height() const { return height_; }
    int LineHeight() const { return line_height_; }
    int Rows() const { return rows_; }
    int TraceHeight() const;
    int StripHeight() const;
    // The strip of a row, its bottom line the separator; the trace keeps clear of its edges.
    PlotRect Strip(int row) const;
    PlotRect TraceArea(int row) const;
    PlotRect Axis() const;
    PlotRect Band(int slot) const;
    PlotRect MarkRow() const;

    bool operator==(const PlotLayout&) const = default;

private:
    int BandsHeight() const;

    int width_ = 0;
    int height_ = 0;
    int line_height_ = 0;
    int rows_ = 0;
};

}  // namespace quillon
