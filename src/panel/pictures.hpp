// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <vector>

#include "panel/colours.hpp"

namespace quillon {

// The small pictures of the window's buttons as shapes in their own logical pixels, so that
// every front end draws the same bell and envelope with its own painter, at any density.
struct PicturePoint {
    double x;
    double y;
};

enum class ShapeKind {
    Polygon,   // closed outline through the points, filled
    Polyline,  // open line through the points
    Ellipse,   // the ellipse in the box from points[0] (top left) to points[1] (bottom right)
};

struct PictureShape {
    ShapeKind kind;
    std::vector<PicturePoint> points;
    std::optional<Colour> pen;   // no outline without one
    double pen_width = 1.0;      // logical pixels; lines end flat
    std::optional<Colour> fill;  // not filled without one
};

struct Picture {
    int width;
    int height;
    std::vector<PictureShape> shapes;  // painted in order
};

constexpr Colour Rgb(unsigned red, unsigned green, unsigned blue) {
    return red | (green << 8) | (blue << 16);
}

Picture BellPicture();          // 10 x 10: the audio alarm's equation button
Picture EnvelopePicture();      // 16 x 11: the e-mail alarm's equation button
Picture GreyEnvelopePicture();  // 16 x 11: the same, while disabled
Picture GearPicture();          // 10 x 10: the alarm and e-mail configuration buttons
Picture WindowIconPicture();    // 32 x 32: two lamps above a three-position switch
Picture FormulaPicture();       // 20 x 20: "f(x)" on a card, the quick reference button

}  // namespace quillon
