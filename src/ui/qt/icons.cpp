// SPDX-License-Identifier: MIT
#include "ui/qt/icons.hpp"

#include <QGuiApplication>
#include <QPainter>
#include <QPolygonF>
#include <vector>

#include "panel/pictures.hpp"

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

QColor ToColour(Colour colour) {
    return QColor(static_cast<int>(colour & 0xFFu), static_cast<int>((colour >> 8) & 0xFFu),
                  static_cast<int>((colour >> 16) & 0xFFu));
}

QPolygonF ToPolygon(const std::vector<PicturePoint>& points) {
    QPolygonF polygon;
    for (const PicturePoint& point : points) {
        polygon << QPointF(point.x, point.y);
    }
    return polygon;
}

void DrawShape(QPainter& painter, const PictureShape& shape) {
    if (shape.pen) {
        painter.setPen(QPen(ToColour(*shape.pen), shape.pen_width, Qt::SolidLine, Qt::FlatCap));
    } else {
        painter.setPen(Qt::NoPen);
    }
    painter.setBrush(shape.fill ? QBrush(ToColour(*shape.fill)) : QBrush(Qt::NoBrush));
    switch (shape.kind) {
        case ShapeKind::Polygon:
            painter.drawPolygon(ToPolygon(shape.points));
            break;
        case ShapeKind::Polyline:
            painter.drawPolyline(ToPolygon(shape.points));
            break;
        case ShapeKind::Ellipse:
            painter.drawEllipse(QRectF(QPointF(shape.points[0].x, shape.points[0].y),
                                       QPointF(shape.points[1].x, shape.points[1].y)));
            break;
    }
}

QPixmap PaintPicture(const Picture& picture) {
    return Paint(picture.width, picture.height, [&picture](QPainter& painter) {
        for (const PictureShape& shape : picture.shapes) {
            DrawShape(painter, shape);
        }
    });
}

}  // namespace

QPixmap BellImage() {
    return PaintPicture(BellPicture());
}

QPixmap EnvelopeImage() {
    return PaintPicture(EnvelopePicture());
}

QPixmap GreyEnvelopeImage() {
    return PaintPicture(GreyEnvelopePicture());
}

QPixmap FormulaImage() {
    return PaintPicture(FormulaPicture());
}

QPixmap GearImage() {
    return PaintPicture(GearPicture());
}

QIcon ApplicationIcon() {
    return QIcon(PaintPicture(WindowIconPicture()));
}

}  // namespace quillon
