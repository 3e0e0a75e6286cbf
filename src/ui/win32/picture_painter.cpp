// SPDX-License-Identifier: MIT
#include "ui/win32/picture_painter.hpp"

#include <algorithm>
#include <cmath>
#include <vector>

namespace quillon {

namespace {

HPEN CreateShapePen(const PictureShape& shape, double scale) {
    if (!shape.pen) {
        return static_cast<HPEN>(::GetStockObject(NULL_PEN));
    }
    LOGBRUSH ink{BS_SOLID, *shape.pen, 0};
    const auto width = static_cast<DWORD>(std::max(1L, std::lround(shape.pen_width * scale)));
    return ::ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_FLAT | PS_JOIN_MITER, width, &ink, 0,
                          nullptr);
}

HBRUSH CreateShapeBrush(const PictureShape& shape) {
    return shape.fill ? ::CreateSolidBrush(*shape.fill)
                      : static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH));
}

void PaintShape(HDC device, const PictureShape& shape, POINT origin, double scale) {
    std::vector<POINT> points;
    for (const PicturePoint& point : shape.points) {
        points.push_back(
            {origin.x + std::lround(point.x * scale), origin.y + std::lround(point.y * scale)});
    }
    HPEN pen = CreateShapePen(shape, scale);
    HBRUSH brush = CreateShapeBrush(shape);
    HGDIOBJ old_pen = ::SelectObject(device, pen);
    HGDIOBJ old_brush = ::SelectObject(device, brush);
    const int count = static_cast<int>(points.size());
    switch (shape.kind) {
        case ShapeKind::Polygon:
            ::Polygon(device, points.data(), count);
            break;
        case ShapeKind::Polyline:
            ::Polyline(device, points.data(), count);
            break;
        case ShapeKind::Ellipse:
            ::Ellipse(device, points[0].x, points[0].y, points[1].x, points[1].y);
            break;
    }
    ::SelectObject(device, old_pen);
    ::SelectObject(device, old_brush);
    // Stock objects ignore DeleteObject.
    ::DeleteObject(pen);
    ::DeleteObject(brush);
}

}  // namespace

void PaintPicture(HDC device, const Picture& picture, const RECT& area, double scale) {
    const long width = std::lround(picture.width * scale);
    const long height = std::lround(picture.height * scale);
    const POINT origin{area.left + (area.right - area.left - width) / 2,
                       area.top + (area.bottom - area.top - height) / 2};
    for (const PictureShape& shape : picture.shapes) {
        PaintShape(device, shape, origin, scale);
    }
}

HICON CreatePictureIcon(const Picture& picture, int size) {
    HDC screen = ::GetDC(nullptr);
    HDC device = ::CreateCompatibleDC(screen);
    HBITMAP colour = ::CreateCompatibleBitmap(screen, size, size);
    HBITMAP mask = ::CreateBitmap(size, size, 1, 1, nullptr);
    HGDIOBJ old = ::SelectObject(device, mask);
    const RECT area{0, 0, size, size};
    ::PatBlt(device, 0, 0, size, size, BLACKNESS);  // every pixel opaque
    ::SelectObject(device, colour);
    ::FillRect(device, &area, ::GetSysColorBrush(COLOR_BTNFACE));
    PaintPicture(device, picture, area, static_cast<double>(size) / picture.width);
    ::SelectObject(device, old);
    ICONINFO info{TRUE, 0, 0, mask, colour};
    HICON icon = ::CreateIconIndirect(&info);
    ::DeleteObject(colour);
    ::DeleteObject(mask);
    ::DeleteDC(device);
    ::ReleaseDC(nullptr, screen);
    return icon;
}

}  // namespace quillon
