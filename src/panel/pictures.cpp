// SPDX-License-Identifier: MIT
#include "panel/pictures.hpp"

#include <cmath>
#include <numbers>

namespace quillon {

namespace {

constexpr int kCurveSteps = 8;
constexpr int kGearTeeth = 8;

// The points of a cubic Bézier curve after its start, in even steps of its parameter.
void AppendCubic(std::vector<PicturePoint>& points, PicturePoint from, PicturePoint control1,
                 PicturePoint control2, PicturePoint to) {
    for (int step = 1; step <= kCurveSteps; ++step) {
        const double t = static_cast<double>(step) / kCurveSteps;
        const double u = 1.0 - t;
        const auto blend = [t, u](double a, double b, double c, double d) {
            return u * u * u * a + 3 * u * u * t * b + 3 * u * t * t * c + t * t * t * d;
        };
        points.push_back({blend(from.x, control1.x, control2.x, to.x),
                          blend(from.y, control1.y, control2.y, to.y)});
    }
}

PictureShape Box(double left, double top, double width, double height, std::optional<Colour> pen,
                 std::optional<Colour> fill) {
    return {ShapeKind::Polygon,
            {{left, top}, {left + width, top}, {left + width, top + height}, {left, top + height}},
            pen,
            1.0,
            fill};
}

PictureShape Disc(PicturePoint centre, double radius, Colour fill) {
    return {ShapeKind::Ellipse,
            {{centre.x - radius, centre.y - radius}, {centre.x + radius, centre.y + radius}},
            std::nullopt,
            1.0,
            fill};
}

Picture Envelope(Colour paper, Colour ink) {
    return {16,
            11,
            {Box(0.5, 0.5, 15.0, 10.0, ink, paper),
             {ShapeKind::Polyline, {{0.5, 0.5}, {8.0, 6.0}, {15.5, 0.5}}, ink, 1.0, {}}}};
}

}  // namespace

Picture BellPicture() {
    const Colour ink = Rgb(0x70, 0x50, 0x00);
    std::vector<PicturePoint> outline = {{0.5, 8.0}, {2.0, 6.5}, {2.0, 4.0}};
    AppendCubic(outline, {2.0, 4.0}, {2.0, 0.5}, {8.0, 0.5}, {8.0, 4.0});
    outline.push_back({8.0, 6.5});
    outline.push_back({9.5, 8.0});
    return {10,
            10,
            {{ShapeKind::Polygon, outline, ink, 1.0, Rgb(0xF0, 0xC0, 0x20)},
             {ShapeKind::Ellipse, {{3.8, 7.8}, {6.2, 10.0}}, {}, 1.0, ink}}};
}

Picture EnvelopePicture() {
    return Envelope(Rgb(0xFF, 0xF4, 0xC8), Rgb(0x40, 0x40, 0x80));
}

Picture GreyEnvelopePicture() {
    return Envelope(Rgb(0xE4, 0xE4, 0xE4), Rgb(0xA0, 0xA0, 0xA0));
}

Picture GearPicture() {
    const Colour metal = Rgb(0x50, 0x58, 0x68);
    const PicturePoint centre{5.0, 5.0};
    Picture gear{10, 10, {}};
    for (int tooth = 0; tooth < kGearTeeth; ++tooth) {
        const double angle = 2.0 * std::numbers::pi * tooth / kGearTeeth;
        const auto at = [&](double radius) {
            return PicturePoint{centre.x + radius * std::sin(angle),
                                centre.y - radius * std::cos(angle)};
        };
        gear.shapes.push_back({ShapeKind::Polyline, {at(2.5), at(4.8)}, metal, 2.0, {}});
    }
    gear.shapes.push_back(Disc(centre, 3.2, metal));
    gear.shapes.push_back(Disc(centre, 1.2, Rgb(0xFF, 0xFF, 0xFF)));
    return gear;
}

Picture WindowIconPicture() {
    const Colour ink = Rgb(0x30, 0x30, 0x38);
    return {32,
            32,
            {Box(1.5, 1.5, 29.0, 29.0, ink, Rgb(0xD8, 0xD8, 0xDC)),
             Box(5.5, 5.5, 8.0, 8.0, ink, Rgb(0xFF, 0x20, 0x20)),
             Box(18.5, 5.5, 8.0, 8.0, ink, Rgb(0x00, 0xC0, 0x00)),
             Box(5.5, 17.5, 21.0, 9.0, ink, Rgb(0xF8, 0xF8, 0xF8)),
             Box(12.5, 18.5, 7.0, 7.0, ink, Rgb(0x30, 0x50, 0xB0))}};
}

Picture FormulaPicture() {
    // Italic strokes, not a font's glyphs: every front end draws the same letters.
    const Colour ink = Rgb(0x10, 0x30, 0xA0);
    const auto stroke = [ink](std::vector<PicturePoint> points) {
        for (PicturePoint& point : points) {
            point.x += 1.3;  // the letters centred on the card
        }
        return PictureShape{ShapeKind::Polyline, std::move(points), ink, 1.0, {}};
    };
    std::vector<PicturePoint> f{{8.0, 5.6}};  // the hook, the leaning stem, the tail
    AppendCubic(f, {8.0, 5.6}, {7.4, 4.6}, {6.0, 4.8}, {5.7, 6.8});
    AppendCubic(f, {5.7, 6.8}, {5.3, 9.5}, {5.0, 12.0}, {4.6, 13.6});
    AppendCubic(f, {4.6, 13.6}, {4.3, 14.8}, {3.4, 15.0}, {2.9, 14.4});
    std::vector<PicturePoint> open{{9.6, 5.4}};
    AppendCubic(open, {9.6, 5.4}, {8.0, 7.5}, {7.8, 12.0}, {8.8, 14.6});
    std::vector<PicturePoint> close{{13.8, 5.4}};
    AppendCubic(close, {13.8, 5.4}, {14.8, 8.0}, {14.6, 12.5}, {13.0, 14.6});
    return {20,
            20,
            {Box(1.5, 1.5, 17.0, 17.0, Rgb(0x50, 0x50, 0x50), Rgb(0xFF, 0xFF, 0xF0)),
             stroke(std::move(f)), stroke({{4.2, 8.6}, {7.4, 8.6}}), stroke(std::move(open)),
             stroke({{10.0, 8.4}, {12.8, 14.0}}), stroke({{13.2, 8.4}, {9.6, 14.0}}),
             stroke(std::move(close))}};
}

}  // namespace quillon
