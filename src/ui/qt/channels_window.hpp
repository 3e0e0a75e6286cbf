// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include <QWidget>

#include "control/sample_history.hpp"

class QListWidget;
class QPushButton;
class QScrollBar;
class QSpinBox;
class QTimer;

namespace quillon {

class HostControl;
class TracePlot;

// The live view: the channels' recent history as traces, the slots' on-periods as bands.
// It reads the history the tick has filled and asks the host only for the channels' texts
// and range values, when the channel count changes; it repaints at most 30 times a second.
class ChannelsWindow : public QWidget {
    Q_OBJECT

public:
    ChannelsWindow(const SampleHistory& history, HostControl& host, QWidget* parent = nullptr);

    TracePlot& Plot() { return *plot_; }
    // Looks at the history now, as the repaint timer does.
    void Refresh();

private:
    void BuildLayout();
    void ReadChannels();
    void ShowChosenChannels();
    void FollowOrScroll();

    const SampleHistory& history_;
    HostControl& host_;
    TracePlot* plot_ = nullptr;
    QSpinBox* span_ = nullptr;
    QPushButton* pause_ = nullptr;
    QScrollBar* scroll_ = nullptr;
    QListWidget* channels_ = nullptr;
    QTimer* repaint_ = nullptr;
    int known_channels_ = -1;
    std::uint64_t shown_ticks_ = 0;
};

}  // namespace quillon
