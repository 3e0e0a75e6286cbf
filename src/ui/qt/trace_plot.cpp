// SPDX-License-Identifier: MIT
#include "ui/qt/trace_plot.hpp"

#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

namespace quillon {
namespace {

const QColor kAlarmMarkColour(230, 120, 0);
const QColor kEmailMarkColour(30, 90, 210);
const QColor kOnBandTextColour(0, 0, 0);

QRect ToQRect(const PlotRect& rect) {
    return {rect.left, rect.top, rect.width, rect.height};
}

Qt::Alignment AlignmentOf(PlotText::Align align) {
    switch (align) {
        case PlotText::Align::Right:
            return Qt::AlignRight | Qt::AlignVCenter;
        case PlotText::Align::Centre:
            return Qt::AlignHCenter | Qt::AlignVCenter;
        case PlotText::Align::Left:
            break;
    }
    return Qt::AlignLeft | Qt::AlignVCenter;
}

}  // namespace

TracePlot::TracePlot(const SampleHistory& history, QWidget* parent)
    : QWidget(parent), history_(history) {
    setMouseTracking(true);
    setMinimumSize(320, 240);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TracePlot::SetLooks(std::vector<ChannelLook> looks) {
    plot_.SetLooks(std::move(looks));
    update();
}

void TracePlot::SetShownChannels(std::vector<int> channels) {
    plot_.SetShownChannels(std::move(channels));
    update();
}

void TracePlot::SetWindow(double end, double span) {
    plot_.SetWindow(end, span);
    update();
}

void TracePlot::FollowSize() {
    plot_.SetSize(width(), height(), fontMetrics().height());
    const QPalette& colours = palette();
    plot_.SetColours(
        {colours.color(QPalette::Base).rgba(), colours.color(QPalette::Highlight).rgba(),
         colours.color(QPalette::Mid).rgba(), PlotColours{}.active, PlotColours{}.inactive});
}

QRect TracePlot::BandRect(int slot) const {
    const PlotLayout layout(width(), height(), fontMetrics().height(),
                            static_cast<int>(plot_.ShownChannels().size()));
    return ToQRect(layout.Band(slot));
}

// The ring of pixels goes onto the widget in two copies, then the few texts and marks.
void TracePlot::paintEvent(QPaintEvent* /*event*/) {
    FollowSize();
    plot_.Prepare(history_);
    const TraceCanvas& canvas = plot_.Canvas();
    QPainter painter(this);
    if (canvas.Width() == 0 || canvas.Height() == 0) {
        painter.fillRect(rect(), palette().color(QPalette::Base));
        return;
    }
    const QImage pixels(reinterpret_cast<const uchar*>(canvas.Pixels()), canvas.Width(),
                        canvas.Height(), qsizetype{canvas.Width()} * 4, QImage::Format_RGB32);
    const int start = plot_.RingStart();
    painter.drawImage(QPoint(0, 0), pixels,
                      QRect(start, 0, canvas.Width() - start, canvas.Height()));
    if (start > 0) {
        painter.drawImage(QPoint(canvas.Width() - start, 0), pixels,
                          QRect(0, 0, start, canvas.Height()));
    }
    const QColor text_colour = palette().color(QPalette::Text);
    for (const PlotRect& tick : plot_.AxisTickMarks()) {
        painter.fillRect(ToQRect(tick), text_colour);
    }
    for (const PlotText& text : plot_.Texts()) {
        painter.setPen(text.ink == PlotText::Ink::OnBand ? kOnBandTextColour : text_colour);
        painter.drawText(ToQRect(text.place), AlignmentOf(text.align),
                         QString::fromStdString(text.text));
    }
    for (const PlotMark& mark : plot_.Marks(history_)) {
        painter.fillRect(ToQRect(mark.place), mark.kind == SampleHistory::MarkKind::AlarmSound
                                                  ? kAlarmMarkColour
                                                  : kEmailMarkColour);
    }
}

void TracePlot::resizeEvent(QResizeEvent* /*event*/) {
    FollowSize();
}

QString TracePlot::ValuesAt(int x) const {
    return QString::fromStdString(plot_.ValuesAt(history_, x));
}

void TracePlot::mouseMoveEvent(QMouseEvent* event) {
    QToolTip::showText(event->globalPosition().toPoint(),
                       ValuesAt(static_cast<int>(event->position().x())), this);
}

}  // namespace quillon
