// SPDX-License-Identifier: MIT
// The channels view on Windows: opened from the window (--view is the screenshot script's),
// drawn with GDI from the history, driven through its controls' messages.
#include "ui/win32/windows_api.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "ui/win32/win32_channels_window.hpp"
#include "window_test_fixture.hpp"

namespace quillon::testing {
namespace {

using namespace control_ids;

constexpr std::uint32_t kActive = 0xFF0000;
constexpr std::uint32_t kInactive = 0x00C000;

class Win32ChannelsViewTest : public WindowTest {
protected:
    void PressControl(bool down) {
        BYTE keys[256];
        ::GetKeyboardState(keys);
        keys[VK_CONTROL] = down ? 0x80 : 0;
        ::SetKeyboardState(keys);
    }
    bool ViewShown() {
        return front_end_->ChannelsView() != nullptr &&
               ::IsWindowVisible(front_end_->ChannelsView()->Handle());
    }
};

TEST_F(Win32ChannelsViewTest, CtrlLOpensTheViewAndAPlainLDoesNot) {
    Load();
    ::PostMessageW(Window(), WM_KEYDOWN, 'L', 0);
    Pump();
    EXPECT_FALSE(ViewShown());
    PressControl(true);
    ::PostMessageW(Window(), WM_KEYDOWN, 'L', 0);
    Pump();
    PressControl(false);
    EXPECT_TRUE(ViewShown());
}

void CALLBACK CloseTheMenu(HWND /*window*/, UINT /*message*/, UINT_PTR /*id*/, DWORD /*time*/) {
    ::EndMenu();
}

// The context menu's one item, chosen with the keyboard as the menu opens.
TEST_F(Win32ChannelsViewTest, TheContextMenuOpensTheView) {
    Load();
    ::PostMessageW(Window(), WM_KEYDOWN, VK_DOWN, 0);
    ::PostMessageW(Window(), WM_KEYDOWN, VK_RETURN, 0);
    // Should the menu not take the keys, it is closed rather than left waiting.
    const UINT_PTR give_up = ::SetTimer(nullptr, 0, 5000, &CloseTheMenu);
    RECT frame;
    ::GetWindowRect(Window(), &frame);
    ::SendMessageW(Window(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(Window()),
                   MAKELPARAM(frame.left + 40, frame.top + 60));
    ::KillTimer(nullptr, give_up);
    Pump();
    EXPECT_TRUE(ViewShown());
}

// Ten seconds of one channel that steps from -5 to 5 at 5 s; slot 0 is on while it is high.
SampleHistory StepHistory() {
    SampleHistory history;
    SampleBlock block(2, 1);
    for (int tick = 0; tick <= 1000; ++tick) {
        const double seconds = tick * 0.01;
        const bool high = tick >= 500;
        block.Set(0, 0, high ? 5.0 : -5.0);
        block.Set(1, 0, 1.25);
        history.Record(seconds, block, 0, high ? 1 : 0);
    }
    return history;
}

// The plot's pixels as it paints them, 0x00RRGGBB, rows top to bottom.
struct PlotPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
    std::uint32_t At(int x, int y) const {
        return pixels[static_cast<std::size_t>(y * width + x)] & 0xFFFFFF;
    }
};

PlotPicture Picture(HWND plot) {
    RECT client;
    ::GetClientRect(plot, &client);
    PlotPicture picture{client.right, client.bottom, {}};
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = picture.width;
    info.bmiHeader.biHeight = -picture.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC device = ::CreateCompatibleDC(nullptr);
    HBITMAP bitmap = ::CreateDIBSection(device, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = ::SelectObject(device, bitmap);
    ::SendMessageW(plot, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(device), PRF_CLIENT);
    ::GdiFlush();
    const auto* first = static_cast<const std::uint32_t*>(bits);
    picture.pixels.assign(first, first + picture.width * picture.height);
    ::SelectObject(device, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(device);
    return picture;
}

class Win32ChannelsWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        view_ = std::make_unique<Win32ChannelsWindow>(history_, host_);
        view_->Show(nullptr);
        ::SetWindowTextW(Control(kViewSpan), L"10");  // the whole history, edge to edge
        Pump();
    }
    void Pump() {
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }
    HWND Control(int id) { return ::GetDlgItem(view_->Handle(), id); }
    // The column of the plot that shows `seconds`, on the view's grid of columns.
    int ColumnOf(double seconds, int width) {
        const double per_column = view_->WindowSpan() / width;
        const double first = std::floor(view_->WindowEnd() / per_column) - width + 1;
        return static_cast<int>(std::floor(seconds / per_column) - first);
    }

    SampleHistory history_ = StepHistory();
    RecordingHost host_;
    std::unique_ptr<Win32ChannelsWindow> view_;
};

// The band red exactly in the columns of the ticks where slot 0 was on, green in every other;
// the trace in the upper half of its strip after the step and in the lower half before it.
TEST_F(Win32ChannelsWindowTest, DrawsTheBandOnExactlyWhileTheSlotWasOn) {
    EXPECT_DOUBLE_EQ(view_->WindowEnd(), 10.0);
    const PlotPicture picture = Picture(view_->Plot());
    ASSERT_GT(picture.width, 200);
    // Slot 0's band: its row just under the time axis, below the traces; found by colour at
    // the plot's right edge, where the slot was on.
    int band_y = -1;
    for (int y = picture.height - 1; y >= 0; --y) {
        if (picture.At(picture.width - 1, y) == kActive) {
            band_y = y;
            break;
        }
    }
    ASSERT_GE(band_y, 0);
    const int step = ColumnOf(5.0, picture.width);
    for (int x = 0; x < picture.width; ++x) {
        ASSERT_EQ(picture.At(x, band_y), x >= step ? kActive : kInactive) << "column " << x;
    }
    const std::uint32_t trace = ::GetSysColor(COLOR_HIGHLIGHT);
    const std::uint32_t trace_pixel =
        (trace & 0xFF) << 16 | (trace & 0xFF00) | (trace >> 16 & 0xFF);
    const auto trace_between = [&](int x, int from, int to) {
        for (int y = from; y < to; ++y) {
            if (picture.At(x, y) == trace_pixel) {
                return true;
            }
        }
        return false;
    };
    // Channels 0 and 1 show; channel 0's strip is the upper half of the traces.
    int strip_bottom = 0;
    while (strip_bottom < picture.height && picture.At(step + 20, strip_bottom) != kInactive &&
           picture.At(step + 20, strip_bottom) != kActive) {
        ++strip_bottom;
    }
    const int strip_middle = strip_bottom / 4;
    EXPECT_TRUE(trace_between(step + 20, 0, strip_middle));
    EXPECT_FALSE(trace_between(step - 20, 0, strip_middle));
    EXPECT_TRUE(trace_between(step - 20, strip_middle, strip_bottom / 2));
}

TEST_F(Win32ChannelsWindowTest, ShowsTheValuesUnderThePointerOfTheChosenChannels) {
    const PlotPicture picture = Picture(view_->Plot());
    const int x = ColumnOf(7.0, picture.width);
    ::SendMessageW(view_->Plot(), WM_MOUSEMOVE, 0, MAKELPARAM(x, 10));
    const std::wstring both = view_->PointerText();
    EXPECT_EQ(both.substr(both.find(L'\n') + 1), L"#0 = 5\n#1 = 1.25");
    ::SendMessageW(Control(kViewChannels), LB_SETSEL, FALSE, 0);
    ::SendMessageW(view_->Handle(), WM_COMMAND, MAKEWPARAM(kViewChannels, LBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(Control(kViewChannels)));
    ::SendMessageW(view_->Plot(), WM_MOUSEMOVE, 0, MAKELPARAM(x, 10));
    const std::wstring one = view_->PointerText();
    EXPECT_EQ(one.substr(one.find(L'\n') + 1), L"#1 = 1.25");
}

// Paused, new ticks do not move the picture, and the scroll bar moves back through the ticks
// held when it paused; following again shows the newest.
TEST_F(Win32ChannelsWindowTest, PauseStopsFollowingAndTheScrollBarGoesBack) {
    SampleBlock block(2, 1);
    const auto record_until = [&](int last_tick) {
        for (int tick = static_cast<int>(history_.Recorded()); tick <= last_tick; ++tick) {
            history_.Record(tick * 0.01, block, 0, 0);
        }
        view_->Refresh();
    };
    record_until(2000);
    EXPECT_DOUBLE_EQ(view_->WindowEnd(), 20.0);
    ::SendMessageW(Control(kViewPause), BM_CLICK, 0, 0);
    Pump();
    EXPECT_TRUE(::IsWindowEnabled(Control(kViewScrollBack)));
    const auto scroll = [&](int request) {
        ::SendMessageW(view_->Handle(), WM_HSCROLL, MAKEWPARAM(request, 0),
                       reinterpret_cast<LPARAM>(Control(kViewScrollBack)));
    };
    scroll(SB_LEFT);
    EXPECT_DOUBLE_EQ(view_->WindowEnd(), 10.0);  // the oldest ten seconds
    scroll(SB_LINERIGHT);
    EXPECT_DOUBLE_EQ(view_->WindowEnd(), 10.1);
    record_until(3000);
    EXPECT_DOUBLE_EQ(view_->WindowEnd(), 10.1);
    ::SendMessageW(Control(kViewPause), BM_CLICK, 0, 0);
    Pump();
    EXPECT_DOUBLE_EQ(view_->WindowEnd(), 30.0);
    EXPECT_FALSE(::IsWindowEnabled(Control(kViewScrollBack)));
}

}  // namespace
}  // namespace quillon::testing
