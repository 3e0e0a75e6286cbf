// SPDX-License-Identifier: MIT
#include "ui/qt/channels_window.hpp"

#include <vector>

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QSplitter>
#include <QTimer>
#include <QVBoxLayout>

#include "host/host_control.hpp"
#include "ui/qt/trace_plot.hpp"
#include "view/channel_look.hpp"
#include "view/time_window.hpp"

namespace quillon {
namespace {

constexpr int kRepaintMilliseconds = 33;  // at most 30 pictures a second
constexpr int kDefaultSpanSeconds = 60;
constexpr int kLongestSpanSeconds = 600;

}  // namespace

ChannelsWindow::ChannelsWindow(const SampleHistory& history, HostControl& host, QWidget* parent)
    : QWidget(parent, Qt::Window), history_(history), host_(host) {
    setObjectName(QStringLiteral("ChannelsWindow"));
    setWindowTitle(QStringLiteral("Quillon channels"));
    BuildLayout();
    repaint_ = new QTimer(this);
    connect(repaint_, &QTimer::timeout, this, &ChannelsWindow::Refresh);
    repaint_->start(kRepaintMilliseconds);
    resize(900, 560);
}

void ChannelsWindow::BuildLayout() {
    plot_ = new TracePlot(history_, this);
    span_ = new QSpinBox(this);
    span_->setObjectName(QStringLiteral("span"));
    span_->setRange(1, kLongestSpanSeconds);
    span_->setValue(kDefaultSpanSeconds);
    span_->setSuffix(QStringLiteral(" s"));
    pause_ = new QPushButton(QStringLiteral("Pause"), this);
    pause_->setObjectName(QStringLiteral("pause"));
    pause_->setCheckable(true);
    scroll_ = new QScrollBar(Qt::Horizontal, this);
    scroll_->setObjectName(QStringLiteral("scrollBack"));
    scroll_->setEnabled(false);
    channels_ = new QListWidget(this);
    channels_->setObjectName(QStringLiteral("channels"));

    auto* controls = new QHBoxLayout;
    controls->addWidget(new QLabel(QStringLiteral("Last"), this));
    controls->addWidget(span_);
    controls->addWidget(pause_);
    controls->addWidget(scroll_, 1);
    auto* splitter = new QSplitter(this);
    splitter->addWidget(plot_);
    splitter->addWidget(channels_);
    splitter->setStretchFactor(0, 4);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(controls);
    layout->addWidget(splitter, 1);

    connect(span_, &QSpinBox::valueChanged, this, [this] { FollowOrScroll(); });
    connect(pause_, &QPushButton::toggled, this, [this](bool paused) {
        pause_->setText(paused ? QStringLiteral("Follow") : QStringLiteral("Pause"));
        scroll_->setEnabled(paused);
        FollowOrScroll();
    });
    connect(scroll_, &QScrollBar::valueChanged, this, [this] { FollowOrScroll(); });
    connect(channels_, &QListWidget::itemChanged, this, [this] { ShowChosenChannels(); });
}

void ChannelsWindow::Refresh() {
    if (history_.Channels() != known_channels_) {
        ReadChannels();
    }
    if (pause_->isChecked() || history_.Recorded() == shown_ticks_) {
        return;
    }
    shown_ticks_ = history_.Recorded();
    FollowOrScroll();
}

// Up to eight channels show at first; the list chooses among up to 256.
void ChannelsWindow::ReadChannels() {
    known_channels_ = history_.Channels();
    std::vector<ChannelLook> looks;
    const QSignalBlocker blocker(channels_);
    channels_->clear();
    for (int channel = 0; channel < known_channels_; ++channel) {
        looks.push_back(ReadChannelLook(host_, channel));
        auto* item = new QListWidgetItem(
            QStringLiteral("#%1 %2").arg(channel).arg(QString::fromStdString(looks.back().text)),
            channels_);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(channel < 8 ? Qt::Checked : Qt::Unchecked);
    }
    plot_->SetLooks(std::move(looks));
    ShowChosenChannels();
}

void ChannelsWindow::ShowChosenChannels() {
    std::vector<int> shown;
    for (int row = 0; row < channels_->count(); ++row) {
        if (channels_->item(row)->checkState() == Qt::Checked) {
            shown.push_back(row);
        }
    }
    plot_->SetShownChannels(std::move(shown));
    plot_->update();
}

// Following shows the newest ticks; paused, the scroll bar moves back through what is held.
void ChannelsWindow::FollowOrScroll() {
    const double span = span_->value();
    const TimeWindow window(history_, span);
    if (!pause_->isChecked()) {
        const QSignalBlocker blocker(scroll_);
        scroll_->setRange(0, window.ScrollSteps());
        scroll_->setValue(window.ScrollSteps());
        plot_->SetWindow(window.FollowingEnd(), span);
        return;
    }
    plot_->SetWindow(window.ScrolledEnd(scroll_->value()), span);
}

}  // namespace quillon
