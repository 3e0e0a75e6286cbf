// SPDX-License-Identifier: MIT
#pragma once

namespace quillon {

inline constexpr int kTwipsPerPixel = 15;

// Logical pixels for a length or position in twips, rounded to the nearest pixel; Qt applies
// the device-pixel ratio on top.
constexpr int TwipsToPixels(int twips) {
    const int half = kTwipsPerPixel / 2;
    return twips >= 0 ? (twips + half) / kTwipsPerPixel : -((-twips + half) / kTwipsPerPixel);
}

constexpr int PixelsToTwips(int pixels) {
    return pixels * kTwipsPerPixel;
}

}  // namespace quillon
