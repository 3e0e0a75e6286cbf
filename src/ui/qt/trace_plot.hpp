// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

#include <QImage>
#include <QWidget>

#include "control/sample_history.hpp"

namespace quillon {

// What the plot needs to know of a channel besides its samples.
struct ChannelLook {
    std::string text;
    double upper = 10.0;  // the two range values; the trace is scaled between them
    double lower = -10.0;
};

// Draws a SampleHistory: one trace per shown channel, scaled by its range values and
// labelled, then one band per slot (red while active, green while not, as the lamps) and the
// marks of alarm sounds and e-mails. Each pixel column shows the minimum and maximum of the
// ticks it covers, so a long history costs one pass over its ticks, never more.
class TracePlot : public QWidget {
    Q_OBJECT

public:
    TracePlot(const SampleHistory& history, QWidget* parent = nullptr);

    void SetLooks(std::vector<ChannelLook> looks) { looks_ = std::move(looks); }
    void SetShownChannels(std::vector<int> channels) { shown_ = std::move(channels); }
    // The time span drawn, ending at `end` seconds (the newest tick when following).
    void SetWindow(double end, double span);
    double WindowEnd() const { return end_; }
    double WindowSpan() const { return span_; }

    // The values under the pointer: "t = 12.340 s", then one line per shown channel.
    QString ValuesAt(int x) const;
    // Where slot `slot`'s band lies, for tests that read the picture.
    QRect BandRect(int slot) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    struct Column {
        std::size_t first;  // first tick at or after the column's start
        std::size_t end;    // one past its last tick
    };
    // Per column and shown channel: the lowest, highest and last value of the column's ticks.
    struct Extremes {
        float low;
        float high;
        float last;
    };

    std::vector<Column> Columns(int width) const;
    std::size_t FirstTickAtOrAfter(double seconds) const;
    double SecondsAt(int x) const;
    int TraceHeight() const;
    std::vector<Extremes> ColumnExtremes(const std::vector<Column>& columns) const;
    void DrawTraces(QPainter& painter, const std::vector<Column>& columns) const;
    void DrawTrace(QImage& image, const std::vector<Column>& columns,
                   const std::vector<Extremes>& extremes, std::size_t row,
                   const QRect& strip) const;
    void DrawBands(QPainter& painter, const std::vector<Column>& columns) const;
    void DrawMarks(QPainter& painter) const;

    const SampleHistory& history_;
    std::vector<ChannelLook> looks_;
    std::vector<int> shown_;
    double end_ = 0.0;
    double span_ = 60.0;
};

}  // namespace quillon
