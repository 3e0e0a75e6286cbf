// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

#include "control/sample_history.hpp"
#include "view/channel_look.hpp"
#include "view/column_reduction.hpp"
#include "view/plot_layout.hpp"
#include "view/trace_canvas.hpp"

namespace quillon {

// A text of the plot, to be drawn inside its place (and clipped to it).
struct PlotText {
    enum class Align { Left, Right, Centre };
    enum class Ink { Text, OnBand };
    PlotRect place;
    std::string text;
    Align align = Align::Left;
    Ink ink = Ink::Text;
};

struct PlotMark {
    PlotRect place;
    SampleHistory::MarkKind kind;
};

// The channels plot as a front end draws it: a SampleHistory reduced per pixel column
// (kept up to date tick by tick, not read again at each picture), its pixels in a ring,
// and the texts, axis ticks and marks to draw over them. The front end sets the size and
// colours, calls Prepare, copies the ring to the screen in two pieces (RingStart) and draws
// the texts; nothing here knows how.
class ChannelsPlot {
public:
    void SetLooks(std::vector<ChannelLook> looks);
    void SetShownChannels(std::vector<int> channels);
    // The time span drawn, ending at `end` seconds (the newest tick when following).
    void SetWindow(double end, double span);
    void SetSize(int width, int height, int line_height);
    void SetColours(const PlotColours& colours);

    double WindowEnd() const { return end_; }
    double WindowSpan() const { return span_; }
    const std::vector<int>& ShownChannels() const { return shown_; }
    const PlotLayout& Layout() const { return layout_; }

    // Brings the reduction and the pixels up to date with the history.
    void Prepare(const SampleHistory& history);
    const TraceCanvas& Canvas() const { return canvas_; }
    // The canvas column that goes to the plot's left edge: canvas columns RingStart() to the
    // end go to x = 0 on, columns 0 to RingStart() - 1 after them.
    int RingStart() const;

    // What goes over the pixels, for the window as the last Prepare left it.
    std::vector<PlotText> Texts() const;
    std::vector<PlotRect> AxisTickMarks() const;
    std::vector<PlotMark> Marks(const SampleHistory& history) const;

    // The values under the pointer: "t = 12.340 s", then "#n = value" per shown channel.
    std::string ValuesAt(const SampleHistory& history, int x) const;
    // The time at the middle of column x, and the column that shows `seconds`.
    double SecondsAt(int x) const;
    int ColumnAt(double seconds) const;

private:
    const ChannelLook& LookOf(int channel) const;
    void AddStripTexts(std::vector<PlotText>& texts) const;
    void AddAxisTexts(std::vector<PlotText>& texts) const;
    void AddBandTexts(std::vector<PlotText>& texts) const;

    std::vector<ChannelLook> looks_;
    std::vector<int> shown_;
    double end_ = 0.0;
    double span_ = 60.0;
    PlotLayout layout_;
    PlotColours colours_;
    ColumnReduction reduction_;
    TraceCanvas canvas_;
    bool reconfigure_ = true;  // the columns must be read afresh
    bool redraw_ = true;       // every pixel must be drawn afresh
};

}  // namespace quillon
