// SPDX-License-Identifier: MIT
#pragma once

#include <vector>

#include <QWidget>

#include "control/sample_history.hpp"
#include "view/channels_plot.hpp"

namespace quillon {

// Draws a SampleHistory with Qt: one trace per shown channel, scaled by its range values and
// labelled, the time axis, one band per slot (red while active, green while not, as the
// lamps) and the marks of alarm sounds and e-mails. The columns and their pixels are the
// ChannelsPlot's, kept up to date as ticks arrive; a picture copies them and adds the texts.
class TracePlot : public QWidget {
    Q_OBJECT

public:
    TracePlot(const SampleHistory& history, QWidget* parent = nullptr);

    void SetLooks(std::vector<ChannelLook> looks);
    void SetShownChannels(std::vector<int> channels);
    // The time span drawn, ending at `end` seconds (the newest tick when following).
    void SetWindow(double end, double span);
    double WindowEnd() const { return plot_.WindowEnd(); }
    double WindowSpan() const { return plot_.WindowSpan(); }

    // The values under the pointer: "t = 12.340 s", then one line per shown channel.
    QString ValuesAt(int x) const;
    // Where slot `slot`'s band lies, for tests that read the picture.
    QRect BandRect(int slot) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void FollowSize();

    const SampleHistory& history_;
    ChannelsPlot plot_;
};

}  // namespace quillon
