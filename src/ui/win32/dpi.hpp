// SPDX-License-Identifier: MIT
#pragma once

#include "ui/win32/windows_api.hpp"

namespace quillon {

// Per-monitor DPI awareness, through the functions of the Windows that has them (looked up at
// run time, so that the program still starts on older Windows, where it is system-aware).
void BecomeDpiAware();
int WindowDpi(HWND window);
// The outer size of a window whose client area has this size, at `dpi`.
SIZE OuterSize(SIZE client, DWORD style, DWORD extended_style, int dpi);
// The dialog font (8 points) at `dpi`.
HFONT CreateDialogFont(int dpi);

}  // namespace quillon
