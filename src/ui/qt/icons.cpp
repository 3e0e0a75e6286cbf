// SPDX-License-Identifier: MIT
#include "ui/qt/icons.hpp"

#include <QFont>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>

namespace quillon {

namespace {

// A transparent pixmap of a logical size, drawn at the screen's pixel density.
template <typename Draw>
QPixmap Paint(int width, int height, Draw draw) {
    const qreal ratio = qGuiApp != nullptr ? qGuiApp->devicePixelRatio() : 1.0;
    QPixmap pixmap(QSize(width, height) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    draw(painter);
    return pixmap;
}

void DrawEnvelope(QPainter& painter, const QColor& paper, const QColor& ink) {
    const QRectF body(0.5, 0.5, 15.0, 10.0);
    painter.setPen(QPen(ink, 1.0));
    painter.setBrush(paper);
    painter.drawRect(body);
    painter.setBrush(Qt::NoBrush);
    painter.drawPolyline(QPolygonF({body.topLeft(), QPointF(8.0, 6.0), body.topRight()}));
}

}  // namespace

QPixmap BellImage() {
    return Paint(10, 10, [](QPainter& painter) {
        QPainterPath bell;
        bell.moveTo(0.5, 8.0);
        bell.lineTo(2.0, 6.5);
        bell.lineTo(2.0, 4.0);
        bell.cubicTo(2.0, 0.5, 8.0, 0.5, 8.0, 4.0);
        bell.lineTo(8.0, 6.5);
        bell.lineTo(9.5, 8.0);
        bell.closeSubpath();
        painter.setPen(QPen(QColor(0x70, 0x50, 0x00), 1.0));
        painter.setBrush(QColor(0xF0, 0xC0, 0x20));
        painter.drawPath(bell);
        painter.setBrush(QColor(0x70, 0x50, 0x00));
        painter.setPen(Qt::NoPen);
        painter.drawEllipse(QRectF(3.8, 7.8, 2.4, 2.2));
    });
}

QPixmap EnvelopeImage() {
    return Paint(16, 11, [](QPainter& painter) {
        DrawEnvelope(painter, QColor(0xFF, 0xF4, 0xC8), QColor(0x40, 0x40, 0x80));
    });
}

QPixmap GreyEnvelopeImage() {
    return Paint(16, 11, [](QPainter& painter) {
        DrawEnvelope(painter, QColor(0xE4, 0xE4, 0xE4), QColor(0xA0, 0xA0, 0xA0));
    });
}

QPixmap FormulaImage() {
    // The button is smaller than the picture and shows its middle, so the drawing keeps to
    // the central 20 x 20 pixels.
    return Paint(32, 32, [](QPainter& painter) {
        const QRectF card(7.5, 7.5, 17.0, 17.0);
        painter.setPen(QPen(QColor(0x50, 0x50, 0x50), 1.0));
        painter.setBrush(QColor(0xFF, 0xFF, 0xF0));
        painter.drawRoundedRect(card, 2.0, 2.0);
        QFont font(QStringLiteral("serif"));
        font.setItalic(true);
        font.setPixelSize(9);
        painter.setFont(font);
        painter.setPen(QColor(0x10, 0x30, 0xA0));
        painter.drawText(card.adjusted(0.0, -1.0, 0.0, 0.0), Qt::AlignCenter,
                         QStringLiteral("f(x)"));
    });
}

QPixmap GearImage() {
    return Paint(10, 10, [](QPainter& painter) {
        const QPointF centre(5.0, 5.0);
        const QColor metal(0x50, 0x58, 0x68);
        painter.setPen(QPen(metal, 2.0, Qt::SolidLine, Qt::FlatCap));
        for (int tooth = 0; tooth < 8; ++tooth) {
            painter.save();
            painter.translate(centre);
            painter.rotate(45.0 * tooth);
            painter.drawLine(QPointF(0.0, -2.5), QPointF(0.0, -4.8));
            painter.restore();
        }
        painter.setPen(Qt::NoPen);
        painter.setBrush(metal);
        painter.drawEllipse(centre, 3.2, 3.2);
        painter.setBrush(Qt::white);
        painter.drawEllipse(centre, 1.2, 1.2);
    });
}

QIcon ApplicationIcon() {
    const QPixmap pixmap = Paint(32, 32, [](QPainter& painter) {
        // A small control panel: two lamps above a three-position switch.
        painter.setPen(QPen(QColor(0x30, 0x30, 0x38), 1.0));
        painter.setBrush(QColor(0xD8, 0xD8, 0xDC));
        painter.drawRoundedRect(QRectF(1.5, 1.5, 29.0, 29.0), 4.0, 4.0);
        painter.setBrush(QColor(0xFF, 0x20, 0x20));
        painter.drawRect(QRectF(5.5, 5.5, 8.0, 8.0));
        painter.setBrush(QColor(0x00, 0xC0, 0x00));
        painter.drawRect(QRectF(18.5, 5.5, 8.0, 8.0));
        painter.setBrush(QColor(0xF8, 0xF8, 0xF8));
        painter.drawRect(QRectF(5.5, 17.5, 21.0, 9.0));
        painter.setBrush(QColor(0x30, 0x50, 0xB0));
        painter.drawRect(QRectF(12.5, 18.5, 7.0, 7.0));
    });
    return QIcon(pixmap);
}

}  // namespace quillon
