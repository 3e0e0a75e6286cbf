// SPDX-License-Identifier: MIT
#include "ui/qt/lamp_widget.hpp"

#include <QMouseEvent>
#include <QPainter>
#include <QPen>
#include <algorithm>

namespace quillon {

LampWidget::LampWidget(QWidget* parent) : QWidget(parent), colour_(Qt::white) {
    // The lamp paints every pixel itself: no background fill is needed first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
}

void LampWidget::SetColour(const QColor& colour) {
    if (colour == colour_) {
        return;
    }
    colour_ = colour;
    update();
}

void LampWidget::SetLatched(bool latched) {
    if (latched == latched_) {
        return;
    }
    latched_ = latched;
    setToolTip(latched ? "Latched: click to acknowledge" : "");
    setCursor(latched ? Qt::PointingHandCursor : Qt::ArrowCursor);
    update();
}

void LampWidget::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.fillRect(rect(), colour_);
    if (latched_) {
        // Seen on red and on green alike, and without colour vision.
        const int inset = std::max(2, width() / 6);
        QPen frame(Qt::white);
        frame.setWidth(std::max(2, width() / 8));
        painter.setPen(frame);
        painter.drawRect(rect().adjusted(inset, inset, -inset - 1, -inset - 1));
    }
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void LampWidget::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && clicked_) {
        clicked_();
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

}  // namespace quillon
