// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

namespace quillon {

// Windows colour values (00BBGGRR); 8000000F is the system button-face colour.
using Colour = std::uint32_t;

inline constexpr Colour kLampActive = 0x000000FF;    // red
inline constexpr Colour kLampInactive = 0x0000C000;  // green
inline constexpr Colour kLampNeutral = 0x8000000F;   // button face while stopped

inline constexpr Colour kTrueLabelColour = 0x000000C0;
inline constexpr Colour kProgLabelColour = 0x00FF0000;
inline constexpr Colour kFalseLabelColour = 0x00008000;
inline constexpr Colour kTrueLineColour = 0x00C0C0FF;
inline constexpr Colour kProgLineColour = 0x00FF0000;
inline constexpr Colour kFalseLineColour = 0x00C0FFC0;

// The lamps' fill colours before the scan cycle first paints them.
constexpr Colour DesignLampColour(int slot) {
    if (slot == 0) {
        return 0x0000C000;
    }
    if (slot == 1) {
        return 0x000000FF;
    }
    return slot <= 6 ? 0x00FFFFFF : 0x00FF00FF;
}

}  // namespace quillon
