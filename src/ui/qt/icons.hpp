// SPDX-License-Identifier: MIT
#pragma once

#include <QIcon>
#include <QPixmap>

namespace quillon {

// The window's pictures, drawn in code at their logical size (device-pixel ratio applied).
QPixmap BellImage();          // 10 x 10: the audio alarm's equation button
QPixmap EnvelopeImage();      // 16 x 11: the e-mail alarm's equation button
QPixmap GreyEnvelopeImage();  // 16 x 11: the same, while disabled
QPixmap FormulaImage();       // 20 x 20: the quick reference button
QPixmap GearImage();          // 10 x 10: the alarm and e-mail configuration buttons
QIcon ApplicationIcon();      // 32 x 32: the window icon

}  // namespace quillon
