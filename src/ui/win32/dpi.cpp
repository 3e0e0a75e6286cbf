// SPDX-License-Identifier: MIT
#include "ui/win32/dpi.hpp"

#include "panel/window_layout.hpp"

namespace quillon {

namespace {

constexpr int kDialogFontPoints = 8;
constexpr int kPointsPerInch = 72;

// DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2 and _PER_MONITOR_AWARE.
const auto kPerMonitorV2 = reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-4));
const auto kPerMonitor = reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-3));

template <typename Function>
Function UserFunction(const char* name) {
    return reinterpret_cast<Function>(
        reinterpret_cast<void (*)()>(::GetProcAddress(::GetModuleHandleW(L"user32"), name)));
}

int ScreenDpi() {
    HDC screen = ::GetDC(nullptr);
    const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : kStandardDpi;
}

}  // namespace

void BecomeDpiAware() {
    using SetContext = BOOL(WINAPI*)(HANDLE);
    if (const auto set = UserFunction<SetContext>("SetProcessDpiAwarenessContext")) {
        if (set(kPerMonitorV2) || set(kPerMonitor)) {
            return;
        }
    }
    // The manifest may have made the choice already; this only covers a missing manifest.
    if (const auto aware = UserFunction<BOOL(WINAPI*)()>("SetProcessDPIAware")) {
        aware();
    }
}

int WindowDpi(HWND window) {
    using GetDpi = UINT(WINAPI*)(HWND);
    if (const auto get = UserFunction<GetDpi>("GetDpiForWindow")) {
        const UINT dpi = get(window);
        if (dpi > 0) {
            return static_cast<int>(dpi);
        }
    }
    return ScreenDpi();
}

SIZE OuterSize(SIZE client, DWORD style, DWORD extended_style, int dpi) {
    RECT rect{0, 0, client.cx, client.cy};
    using Adjust = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
    if (const auto adjust = UserFunction<Adjust>("AdjustWindowRectExForDpi")) {
        adjust(&rect, style, FALSE, extended_style, static_cast<UINT>(dpi));
    } else {
        ::AdjustWindowRectEx(&rect, style, FALSE, extended_style);
    }
    return {rect.right - rect.left, rect.bottom - rect.top};
}

HFONT CreateDialogFont(int dpi) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    LOGFONTW font{};
    if (::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
        font = metrics.lfMessageFont;
    } else {
        ::lstrcpynW(font.lfFaceName, L"MS Shell Dlg 2", LF_FACESIZE);
    }
    font.lfHeight = -::MulDiv(kDialogFontPoints, dpi, kPointsPerInch);
    font.lfWidth = 0;
    return ::CreateFontIndirectW(&font);
}

}  // namespace quillon
