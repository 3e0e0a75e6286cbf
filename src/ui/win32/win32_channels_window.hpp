// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>

#include "control/sample_history.hpp"
#include "ui/win32/windows_api.hpp"
#include "view/channels_plot.hpp"

namespace quillon {

class HostControl;

// The live view on Windows: the channels' recent history as traces, the slots' on-periods as
// bands, drawn with GDI from the same reduction and pixels as the Qt view. It reads the
// history the tick has filled and asks the host only for the channels' texts and range
// values, when the channel count changes; it repaints at most 30 times a second. Closing it
// hides it; it goes with its owner.
class Win32ChannelsWindow {
public:
    Win32ChannelsWindow(const SampleHistory& history, HostControl& host);
    ~Win32ChannelsWindow();
    Win32ChannelsWindow(const Win32ChannelsWindow&) = delete;
    Win32ChannelsWindow& operator=(const Win32ChannelsWindow&) = delete;

    HWND Handle() const { return window_; }
    HWND Plot() const { return plot_window_; }
    // Shows the window in front; the first time below `beside` (or where the screen has room).
    void Show(HWND beside);
    // Looks at the history now, as the repaint timer does.
    void Refresh();

    double WindowEnd() const { return plot_.WindowEnd(); }
    double WindowSpan() const { return plot_.WindowSpan(); }
    // What the tip under the pointer shows: "t = 12.340 s", then "#n = value" per channel.
    const std::wstring& PointerText() const { return pointer_text_; }

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM w, LPARAM l);
    static LRESULT CALLBACK PlotProcedure(HWND window, UINT message, WPARAM w, LPARAM l);
    LRESULT Handle(UINT message, WPARAM w, LPARAM l);
    LRESULT HandlePlot(UINT message, WPARAM w, LPARAM l);

    void CreateControls();
    HWND CreateChild(const wchar_t* control_class, const wchar_t* text, DWORD style, int id);
    void Layout();
    void Command(int id, int notification);
    void Scrolled(int request);
    void ReadChannels();
    void ShowChosenChannels();
    void FollowOrScroll();
    bool Paused() const;
    int Span() const;

    void PaintPlot();
    void Compose(HDC device);
    void PointerMoved(int x, int y);
    void ShowValuesAt(POINT pointer);
    void PointerLeft();

    const SampleHistory& history_;
    HostControl& host_;
    ChannelsPlot plot_;
    HWND window_ = nullptr;
    HWND plot_window_ = nullptr;
    HWND span_ = nullptr;
    HWND span_arrows_ = nullptr;
    HWND pause_ = nullptr;
    HWND scroll_ = nullptr;
    HWND channels_ = nullptr;
    HWND tip_ = nullptr;
    HWND last_label_ = nullptr;
    HWND seconds_label_ = nullptr;
    HFONT font_ = nullptr;
    int dpi_ = 96;
    int line_height_ = 13;
    int known_channels_ = -1;
    std::uint64_t shown_ticks_ = 0;
    bool placed_ = false;
    bool tracking_ = false;
    POINT pointer_{0, 0};
    std::wstring pointer_text_;
};

}  // namespace quillon
