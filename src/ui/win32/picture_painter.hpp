// SPDX-License-Identifier: MIT
#pragma once

#include "panel/pictures.hpp"
#include "ui/win32/windows_api.hpp"

namespace quillon {

// Paints a picture centred in `area`, one logical pixel of it to `scale` device pixels.
void PaintPicture(HDC device, const Picture& picture, const RECT& area, double scale);

// The window icon, drawn from its picture at the system's icon size; the caller destroys it.
HICON CreatePictureIcon(const Picture& picture, int size);

}  // namespace quillon
