// SPDX-License-Identifier: MIT
#include "ui/qt/windows_colour.hpp"

namespace quillon {

namespace {

constexpr Colour kSystemColourFlag = 0x80000000u;

// The palette role nearest to a Windows system colour index.
QPalette::ColorRole RoleForSystemColour(Colour index) {
    switch (index) {
        case 0x05:  // window background
            return QPalette::Base;
        case 0x08:  // window text
            return QPalette::Text;
        case 0x10:  // button shadow
            return QPalette::Dark;
        case 0x12:  // button text
            return QPalette::ButtonText;
        case 0x14:  // button highlight
            return QPalette::Light;
        default:  // 0x0F, the button face, and anything unknown
            return QPalette::Button;
    }
}

}  // namespace

QColor ToQColor(Colour colour, const QPalette& palette) {
    if ((colour & kSystemColourFlag) != 0) {
        return palette.color(RoleForSystemColour(colour & 0xFFu));
    }
    const auto channel = [colour](int shift) {
        return static_cast<int>((colour >> shift) & 0xFFu);
    };
    return QColor(channel(0), channel(8), channel(16));
}

}  // namespace quillon
