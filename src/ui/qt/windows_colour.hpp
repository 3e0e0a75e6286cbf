// SPDX-License-Identifier: MIT
#pragma once

#include <QColor>
#include <QPalette>

#include "panel/colours.hpp"

namespace quillon {

// A 00BBGGRR value as Qt colour; 8000000F, the system button face, comes from the palette.
QColor ToQColor(Colour colour, const QPalette& palette);

}  // namespace quillon
