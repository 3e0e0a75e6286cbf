// SPDX-License-Identifier: MIT
#include "ui/qt/trace_plot.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

#include "panel/panel.hpp"

namespace quillon {
namespace {

constexpr int kBandHeight = 8;
constexpr int kBandGap = 2;
constexpr int kMarkHeight = 12;
constexpr int kLabelMargin = 4;
// The lamps' colours: red while active, green while not.
const QColor kActiveColour(255, 0, 0);
const QColor kInactiveColour(0, 0xC0, 0);
const QColor kAlarmMarkColour(230, 120, 0);
const QColor kEmailMarkColour(30, 90, 210);

// Where a value stands in its strip, top (the upper range value) to bottom (the lower).
int ScaledY(double value, const ChannelLook& look, const QRect& strip) {
    const double span = look.upper - look.lower;
    const double fraction = span == 0.0 ? 0.5 : (look.upper - value) / span;
    const double clamped = std::clamp(fraction, 0.0, 1.0);
    return strip.top() + static_cast<int>(std::lround(clamped * (strip.height() - 1)));
}

}  // namespace

TracePlot::TracePlot(const SampleHistory& history, QWidget* parent)
    : QWidget(parent), history_(history) {
    setMouseTracking(true);
    setMinimumSize(320, 240);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
}

void TracePlot::SetWindow(double end, double span) {
    end_ = end;
    span_ = span;
    update();
}

int TracePlot::TraceHeight() const {
    return std::max(0, height() - kSlotCount * (kBandHeight + kBandGap) - kMarkHeight);
}

QRect TracePlot::BandRect(int slot) const {
    return {0, TraceHeight() + slot * (kBandHeight + kBandGap), width(), kBandHeight};
}

std::size_t TracePlot::FirstTickAtOrAfter(double seconds) const {
    std::size_t low = 0;
    std::size_t high = history_.Size();
    while (low < high) {
        const std::size_t middle = low + (high - low) / 2;
        if (history_.SecondsAt(middle) < seconds) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    return low;
}

double TracePlot::SecondsAt(int x) const {
    return end_ - span_ + span_ * (static_cast<double>(x) + 0.5) / std::max(width(), 1);
}

// One pass: the ticks are in time order, so each column starts where the last one ended.
std::vector<TracePlot::Column> TracePlot::Columns(int width) const {
    std::vector<Column> columns(static_cast<std::size_t>(std::max(width, 0)));
    const double start = end_ - span_;
    std::size_t tick = FirstTickAtOrAfter(start);
    for (int x = 0; x < width; ++x) {
        const double column_end = start + span_ * (x + 1) / width;
        Column& column = columns[static_cast<std::size_t>(x)];
        column.first = tick;
        while (tick < history_.Size() && history_.SecondsAt(tick) < column_end) {
            ++tick;
        }
        column.end = tick;
    }
    return columns;
}

void TracePlot::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    const std::vector<Column> columns = Columns(width());
    DrawTraces(painter, columns);
    DrawBands(painter, columns);
    DrawMarks(painter);
}

// Tick by tick, each tick's row read once for every shown channel: a pass over memory in the
// order it lies, whatever the number of channels.
std::vector<TracePlot::Extremes> TracePlot::ColumnExtremes(
    const std::vector<Column>& columns) const {
    const std::size_t count = shown_.size();
    std::vector<Extremes> extremes(columns.size() * count);
    for (std::size_t x = 0; x < columns.size(); ++x) {
        Extremes* out = extremes.data() + x * count;
        for (std::size_t row = 0; row < count; ++row) {
            out[row] = {std::numeric_limits<float>::infinity(),
                        -std::numeric_limits<float>::infinity(), 0.0F};
        }
        for (std::size_t tick = columns[x].first; tick < columns[x].end; ++tick) {
            const float* values = history_.RowAt(tick);
            for (std::size_t row = 0; row < count; ++row) {
                const float value = values[shown_[row]];
                out[row].low = std::min(out[row].low, value);
                out[row].high = std::max(out[row].high, value);
            }
        }
        if (columns[x].first != columns[x].end) {
            const float* values = history_.RowAt(columns[x].end - 1);
            for (std::size_t row = 0; row < count; ++row) {
                out[row].last = values[shown_[row]];
            }
        }
    }
    return extremes;
}

void TracePlot::DrawTraces(QPainter& painter, const std::vector<Column>& columns) const {
    const int count = static_cast<int>(shown_.size());
    if (count == 0 || TraceHeight() == 0) {
        return;
    }
    for (const int channel : shown_) {
        if (channel >= history_.Channels()) {
            return;  // the history changed under the choice; the next refresh sets it right
        }
    }
    const std::vector<Extremes> extremes = ColumnExtremes(columns);
    const int strip_height = TraceHeight() / count;
    // The traces go into one image, pixel by pixel, and onto the widget at once: tens of
    // thousands of one-pixel spans cost the painter far more than the pixels cost here.
    QImage traces(width(), TraceHeight(), QImage::Format_ARGB32_Premultiplied);
    traces.fill(Qt::transparent);
    for (int row = 0; row < count; ++row) {
        const QRect strip(0, row * strip_height, width(), strip_height);
        DrawTrace(traces, columns, extremes, static_cast<std::size_t>(row),
                  strip.adjusted(0, 2, 0, -2));
    }
    painter.drawImage(0, 0, traces);
    for (int row = 0; row < count; ++row) {
        const int channel = shown_[static_cast<std::size_t>(row)];
        const QRect strip(0, row * strip_height, width(), strip_height);
        painter.setPen(palette().color(QPalette::Mid));
        painter.drawLine(strip.bottomLeft(), strip.bottomRight());
        painter.setPen(palette().color(QPalette::Text));
        const ChannelLook look = static_cast<std::size_t>(channel) < looks_.size()
                                     ? looks_[static_cast<std::size_t>(channel)]
                                     : ChannelLook{"Channel " + std::to_string(channel)};
        painter.drawText(
            strip.adjusted(kLabelMargin, kLabelMargin, 0, 0), Qt::AlignLeft | Qt::AlignTop,
            QStringLiteral("#%1 %2").arg(channel).arg(QString::fromStdString(look.text)));
    }
}

void TracePlot::DrawTrace(QImage& image, const std::vector<Column>& columns,
                          const std::vector<Extremes>& extremes, std::size_t row,
                          const QRect& strip) const {
    const int channel = shown_[row];
    const ChannelLook look = static_cast<std::size_t>(channel) < looks_.size()
                                 ? looks_[static_cast<std::size_t>(channel)]
                                 : ChannelLook{};
    const QRgb colour = palette().color(QPalette::Highlight).rgba();
    int last_y = -1;
    for (std::size_t x = 0; x < columns.size(); ++x) {
        const Column& column = columns[x];
        if (column.first == column.end) {
            continue;
        }
        const Extremes& range = extremes[x * shown_.size() + row];
        const int top = ScaledY(range.high, look, strip);
        const int bottom = ScaledY(range.low, look, strip);
        const int xi = static_cast<int>(x);
        // Joined to the last column, so a step shows as a line and not as two dots.
        const int from = last_y < 0 ? top : std::min(top, last_y);
        const int to = last_y < 0 ? bottom : std::max(bottom, last_y);
        for (int y = from; y <= to; ++y) {
            reinterpret_cast<QRgb*>(image.scanLine(y))[xi] = colour;
        }
        last_y = ScaledY(range.last, look, strip);
    }
}

// A column shows a slot active when it was active at any of the column's ticks; columns of
// one state are filled as one run.
void TracePlot::DrawBands(QPainter& painter, const std::vector<Column>& columns) const {
    std::vector<std::uint16_t> active(columns.size(), 0);
    std::vector<bool> has_ticks(columns.size(), false);
    for (std::size_t x = 0; x < columns.size(); ++x) {
        has_ticks[x] = columns[x].first != columns[x].end;
        for (std::size_t tick = columns[x].first; tick < columns[x].end; ++tick) {
            active[x] = static_cast<std::uint16_t>(active[x] | history_.ActiveSlotsAt(tick));
        }
    }
    for (int slot = 0; slot < kSlotCount; ++slot) {
        const QRect band = BandRect(slot);
        const auto bit = static_cast<std::uint16_t>(1U << slot);
        std::size_t run = 0;
        for (std::size_t x = 1; x <= columns.size(); ++x) {
            const auto state = [&](std::size_t at) {
                return has_ticks[at] ? ((active[at] & bit) != 0 ? 2 : 1) : 0;
            };
            if (x < columns.size() && state(x) == state(run)) {
                continue;
            }
            if (state(run) != 0) {
                painter.fillRect(static_cast<int>(run), band.top(), static_cast<int>(x - run),
                                 band.height(), state(run) == 2 ? kActiveColour : kInactiveColour);
            }
            run = x;
        }
    }
}

void TracePlot::DrawMarks(QPainter& painter) const {
    const int top = height() - kMarkHeight;
    for (const SampleHistory::Mark& mark : history_.Marks()) {
        const double fraction = (mark.seconds - (end_ - span_)) / span_;
        if (fraction < 0.0 || fraction > 1.0) {
            continue;
        }
        const int x = static_cast<int>(fraction * width());
        const bool alarm = mark.kind == SampleHistory::MarkKind::AlarmSound;
        painter.fillRect(x - 1, alarm ? top : top + kMarkHeight / 2, 3, kMarkHeight / 2,
                         alarm ? kAlarmMarkColour : kEmailMarkColour);
    }
}

QString TracePlot::ValuesAt(int x) const {
    if (history_.Size() == 0) {
        return {};
    }
    const double seconds = SecondsAt(x);
    std::size_t tick = std::min(FirstTickAtOrAfter(seconds), history_.Size() - 1);
    QString text = QStringLiteral("t = %1 s").arg(history_.SecondsAt(tick), 0, 'f', 3);
    for (const int channel : shown_) {
        if (channel < history_.Channels()) {
            text += QStringLiteral("\n#%1 = %2")
                        .arg(channel)
                        .arg(static_cast<double>(history_.ValueAt(tick, channel)), 0, 'g', 6);
        }
    }
    return text;
}

void TracePlot::mouseMoveEvent(QMouseEvent* event) {
    QToolTip::showText(event->globalPosition().toPoint(),
                       ValuesAt(static_cast<int>(event->position().x())), this);
}

}  // namespace quillon
