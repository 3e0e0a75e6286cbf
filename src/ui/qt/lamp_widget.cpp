// SPDX-License-Identifier: MIT
#include "ui/qt/lamp_widget.hpp"

#include <QPainter>

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

void LampWidget::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.fillRect(rect(), colour_);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

}  // namespace quillon
