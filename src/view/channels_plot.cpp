// SPDX-License-Identifier: MIT
#include "view/channels_plot.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "panel/panel.hpp"
#include "view/time_axis.hpp"

namespace quillon {
namespace {

constexpr int kLabelMargin = 4;
constexpr int kTickLength = 4;
constexpr int kLabelsApartInLines = 6;  // the axis labels' spacing, in line heights
constexpr int kMarkWidth = 3;

std::string SlotName(int slot) {
    if (slot == kAudioSlot) {
        return "sound";
    }
    if (slot == kEmailSlot) {
        return "e-mail";
    }
    return "DOUT " + std::to_string(slot);
}

std::string Seconds3(double seconds) {
    char text[64];
    const auto end =
        std::to_chars(text, text + sizeof text, seconds, std::chars_format::fixed, 3).ptr;
    return std::string(text, end);
}

}  // namespace

void ChannelsPlot::SetLooks(std::vector<ChannelLook> looks) {
    looks_ = std::move(looks);
    redraw_ = true;
}

void ChannelsPlot::SetShownChannels(std::vector<int> channels) {
    if (channels != shown_) {
        shown_ = std::move(channels);
        reconfigure_ = true;
    }
}

void ChannelsPlot::SetWindow(double end, double span) {
    end_ = end;
    if (span != span_) {
        span_ = span;
        reconfigure_ = true;
    }
}

void ChannelsPlot::SetSize(int width, int height, int line_height) {
    const PlotLayout layout(width, height, line_height, static_cast<int>(shown_.size()));
    if (layout.Width() != layout_.Width()) {
        reconfigure_ = true;
    }
    if (!(layout == layout_)) {
        layout_ = layout;
        redraw_ = true;
    }
}

void ChannelsPlot::SetColours(const PlotColours& colours) {
    if (!(colours == colours_)) {
        colours_ = colours;
        redraw_ = true;
    }
}

const ChannelLook& ChannelsPlot::LookOf(int channel) const {
    static const ChannelLook kDefault{};
    return channel >= 0 && static_cast<std::size_t>(channel) < looks_.size()
               ? looks_[static_cast<std::size_t>(channel)]
               : kDefault;
}

void ChannelsPlot::Prepare(const SampleHistory& history) {
    if (layout_.Rows() != static_cast<int>(shown_.size())) {
        layout_ = PlotLayout(layout_.Width(), layout_.Height(), layout_.LineHeight(),
                             static_cast<int>(shown_.size()));
        redraw_ = true;
    }
    const int width = layout_.Width();
    if (reconfigure_) {
        reduction_.Configure(width, span_ / std::max(width, 1), shown_);
        reconfigure_ = false;
        redraw_ = true;
    }
    reduction_.Update(history, end_);
    std::vector<ChannelLook> looks;
    looks.reserve(shown_.size());
    for (const int channel : shown_) {
        looks.push_back(LookOf(channel));
    }
    if (redraw_ || canvas_.Width() != width || canvas_.Height() != layout_.Height()) {
        canvas_.Resize(width, layout_.Height());
        canvas_.DrawAll(reduction_, layout_, looks, colours_);
        redraw_ = false;
    } else {
        canvas_.DrawChanged(reduction_, layout_, looks, colours_);
    }
    reduction_.ClearChanges();
}

int ChannelsPlot::RingStart() const {
    return reduction_.Columns() > 0 ? reduction_.RingStart() : 0;
}

double ChannelsPlot::SecondsAt(int x) const {
    const double per_column = span_ / std::max(layout_.Width(), 1);
    const double first = std::floor(end_ / per_column) - layout_.Width() + 1;
    return (first + x + 0.5) * per_column;
}

int ChannelsPlot::ColumnAt(double seconds) const {
    const double per_column = span_ / std::max(layout_.Width(), 1);
    const double first = std::floor(end_ / per_column) - layout_.Width() + 1;
    return static_cast<int>(std::floor(seconds / per_column) - first);
}

std::vector<PlotText> ChannelsPlot::Texts() const {
    std::vector<PlotText> texts;
    AddStripTexts(texts);
    AddAxisTexts(texts);
    AddBandTexts(texts);
    return texts;
}

// Each strip's channel at its top left; its upper range value at its top right and its lower
// one at its bottom right, or both on one line where the strip has room for one only.
void ChannelsPlot::AddStripTexts(std::vector<PlotText>& texts) const {
    const int line = layout_.LineHeight();
    for (int row = 0; row < layout_.Rows(); ++row) {
        const int channel = shown_[static_cast<std::size_t>(row)];
        const ChannelLook& look = LookOf(channel);
        const PlotRect strip = layout_.Strip(row);
        const std::string text = static_cast<std::size_t>(channel) < looks_.size()
                                     ? look.text
                                     : "Channel " + std::to_string(channel);
        const PlotRect top{kLabelMargin, strip.top, strip.width - 2 * kLabelMargin,
                           std::min(line, strip.height)};
        texts.push_back({top, "#" + std::to_string(channel) + " " + text});
        if (strip.height >= 2 * line) {
            texts.push_back({top, ShortNumber(look.upper), PlotText::Align::Right});
            const PlotRect bottom{top.left, strip.Bottom() - line - 1, top.width, line};
            texts.push_back({bottom, ShortNumber(look.lower), PlotText::Align::Right});
        } else {
            texts.push_back({top, ShortNumber(look.lower) + " to " + ShortNumber(look.upper),
                             PlotText::Align::Right});
        }
    }
}

void ChannelsPlot::AddAxisTexts(std::vector<PlotText>& texts) const {
    const PlotRect axis = layout_.Axis();
    const int spacing = kLabelsApartInLines * layout_.LineHeight();
    const double start = SecondsAt(0) - 0.5 * span_ / std::max(layout_.Width(), 1);
    for (const AxisTick& tick : TimeAxisTicks(start, span_, layout_.Width(), spacing)) {
        const int left = std::clamp(tick.x - spacing / 2, 0, std::max(0, axis.width - spacing));
        texts.push_back({{left, axis.top + kTickLength, spacing, axis.height - kTickLength},
                         tick.label,
                         PlotText::Align::Centre});
    }
}

void ChannelsPlot::AddBandTexts(std::vector<PlotText>& texts) const {
    for (int slot = 0; slot < kSlotCount; ++slot) {
        PlotRect band = layout_.Band(slot);
        band.left += kLabelMargin;
        band.width -= kLabelMargin;
        texts.push_back({band, SlotName(slot), PlotText::Align::Left, PlotText::Ink::OnBand});
    }
}

std::vector<PlotRect> ChannelsPlot::AxisTickMarks() const {
    const PlotRect axis = layout_.Axis();
    const int spacing = kLabelsApartInLines * layout_.LineHeight();
    const double start = SecondsAt(0) - 0.5 * span_ / std::max(layout_.Width(), 1);
    std::vector<PlotRect> marks{{0, axis.top, axis.width, 1}};
    for (const AxisTick& tick : TimeAxisTicks(start, span_, layout_.Width(), spacing)) {
        marks.push_back({std::min(tick.x, axis.width - 1), axis.top, 1, kTickLength});
    }
    return marks;
}

// The alarm's marks in the upper half of the row, the e-mails' in the lower.
std::vector<PlotMark> ChannelsPlot::Marks(const SampleHistory& history) const {
    const PlotRect row = layout_.MarkRow();
    std::vector<PlotMark> marks;
    for (const SampleHistory::Mark& mark : history.Marks()) {
        const int x = ColumnAt(mark.seconds);
        if (x < 0 || x >= layout_.Width()) {
            continue;
        }
        const bool alarm = mark.kind == SampleHistory::MarkKind::AlarmSound;
        marks.push_back({{x - kMarkWidth / 2, alarm ? row.top : row.top + row.height / 2,
                          kMarkWidth, row.height / 2},
                         mark.kind});
    }
    return marks;
}

std::string ChannelsPlot::ValuesAt(const SampleHistory& history, int x) const {
    if (history.Size() == 0) {
        return {};
    }
    const double seconds = SecondsAt(x);
    std::size_t low = 0;
    std::size_t high = history.Size();
    while (low < high) {
        const std::size_t middle = low + (high - low) / 2;
        if (history.SecondsAt(middle) < seconds) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    const std::size_t tick = std::min(low, history.Size() - 1);
    std::string text = "t = " + Seconds3(history.SecondsAt(tick)) + " s";
    for (const int channel : shown_) {
        if (channel >= 0 && channel < history.Channels()) {
            text += "\n#" + std::to_string(channel) + " = " +
                    ShortNumber(static_cast<double>(history.ValueAt(tick, channel)));
        }
    }
    return text;
}

}  // namespace quillon
