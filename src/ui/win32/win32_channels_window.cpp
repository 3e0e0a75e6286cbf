// SPDX-License-Identifier: MIT
#include "ui/win32/win32_channels_window.hpp"

#include <commctrl.h>

#include <algorithm>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "panel/window_layout.hpp"
#include "platform/win32/com_text.hpp"
#include "ui/win32/control_ids.hpp"
#include "ui/win32/dpi.hpp"
#include "view/channel_look.hpp"
#include "view/time_window.hpp"

namespace quillon {

namespace {

constexpr const wchar_t* kWindowClass = L"QuillonChannelsWindow";
constexpr const wchar_t* kPlotClass = L"QuillonChannelsPlot";
constexpr UINT kRepaintPeriod = 33;  // ms: at most 30 pictures a second
constexpr int kDefaultSpanSeconds = 60;
constexpr int kLongestSpanSeconds = 600;
constexpr int kFirstShownChannels = 8;
constexpr int kPageSteps = 10 * TimeWindow::kStepsPerSecond;
// At 96 DPI: the window's size, its margins, the widths of the controls beside the plot.
constexpr int kWidth = 900;
constexpr int kHeight = 560;
constexpr int kMargin = 8;
constexpr int kGap = 16;
constexpr int kListWidth = 180;
constexpr int kSpanWidth = 64;
constexpr int kPauseWidth = 80;
constexpr int kLabelWidth = 32;
constexpr int kTipWidth = 400;
const COLORREF kAlarmMarkColour = RGB(230, 120, 0);
const COLORREF kEmailMarkColour = RGB(30, 90, 210);

void RegisterClasses() {
    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof(window_class);
    window_class.lpfnWndProc = &::DefWindowProcW;
    window_class.hInstance = ::GetModuleHandleW(nullptr);
    window_class.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // the arrow
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    window_class.lpszClassName = kWindowClass;
    ::RegisterClassExW(&window_class);     // fails harmlessly when a window made it before
    window_class.hbrBackground = nullptr;  // the plot paints every pixel itself
    window_class.lpszClassName = kPlotClass;
    ::RegisterClassExW(&window_class);
}

// A system colour as the plot's pixels hold it: 0xAARRGGBB.
std::uint32_t PixelColour(int system_colour) {
    const COLORREF colour = ::GetSysColor(system_colour);
    return 0xFF000000u | static_cast<std::uint32_t>(GetRValue(colour)) << 16 |
           static_cast<std::uint32_t>(GetGValue(colour)) << 8 | GetBValue(colour);
}

RECT ToRect(const PlotRect& place) {
    return {place.left, place.top, place.Right(), place.Bottom()};
}

UINT TextFormat(PlotText::Align align) {
    constexpr UINT kLine = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX;
    switch (align) {
        case PlotText::Align::Right:
            return kLine | DT_RIGHT;
        case PlotText::Align::Centre:
            return kLine | DT_CENTER;
        case PlotText::Align::Left:
            break;
    }
    return kLine | DT_LEFT;
}

void Fill(HDC device, const PlotRect& place, COLORREF colour) {
    const RECT rect = ToRect(place);
    HBRUSH brush = ::CreateSolidBrush(colour);
    ::FillRect(device, &rect, brush);
    ::DeleteObject(brush);
}

template <typename Owner>
Owner* OwnerOf(HWND window) {
    return reinterpret_cast<Owner*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
}

}  // namespace

Win32ChannelsWindow::Win32ChannelsWindow(const SampleHistory& history, HostControl& host)
    : history_(history), host_(host) {
    RegisterClasses();
    window_ = ::CreateWindowExW(
        0, kWindowClass, L"Quillon channels", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT,
        CW_USEDEFAULT, kWidth, kHeight, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    if (window_ == nullptr) {
        throw std::runtime_error("the channels view could not be made: " +
                                 SystemMessage(::GetLastError()));
    }
    dpi_ = WindowDpi(window_);
    font_ = CreateDialogFont(dpi_);
    CreateControls();
    ::SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    ::SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Procedure));
    ::SetWindowLongPtrW(plot_window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    ::SetWindowLongPtrW(plot_window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&PlotProcedure));
    Layout();
    ::SetTimer(window_, control_ids::kViewRepaintTimerId, kRepaintPeriod, nullptr);
}

Win32ChannelsWindow::~Win32ChannelsWindow() {
    if (::IsWindow(window_)) {
        ::KillTimer(window_, control_ids::kViewRepaintTimerId);
        ::SetWindowLongPtrW(plot_window_, GWLP_WNDPROC,
                            reinterpret_cast<LONG_PTR>(&::DefWindowProcW));
        ::SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&::DefWindowProcW));
        ::DestroyWindow(tip_);
        ::DestroyWindow(window_);
    }
    ::DeleteObject(font_);
}

HWND Win32ChannelsWindow::CreateChild(const wchar_t* control_class, const wchar_t* text,
                                      DWORD style, int id) {
    const std::wstring_view name(control_class);
    const DWORD extended = name == L"EDIT" || name == L"LISTBOX" ? WS_EX_CLIENTEDGE : 0;
    HWND child = ::CreateWindowExW(
        extended, control_class, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, window_,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleW(nullptr), nullptr);
    ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    return child;
}

void Win32ChannelsWindow::CreateControls() {
    last_label_ = CreateChild(L"STATIC", L"Last", SS_RIGHT | SS_CENTERIMAGE, -1);
    span_ = CreateChild(L"EDIT", L"", ES_NUMBER | ES_RIGHT | WS_TABSTOP, control_ids::kViewSpan);
    span_arrows_ = CreateChild(UPDOWN_CLASSW, nullptr,
                               UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS | UDS_NOTHOUSANDS,
                               control_ids::kViewSpanArrows);
    ::SendMessageW(span_arrows_, UDM_SETBUDDY, reinterpret_cast<WPARAM>(span_), 0);
    ::SendMessageW(span_arrows_, UDM_SETRANGE32, 1, kLongestSpanSeconds);
    ::SendMessageW(span_arrows_, UDM_SETPOS32, 0, kDefaultSpanSeconds);
    seconds_label_ = CreateChild(L"STATIC", L"s", SS_LEFT | SS_CENTERIMAGE, -1);
    pause_ = CreateChild(L"BUTTON", L"Pause", BS_AUTOCHECKBOX | BS_PUSHLIKE | WS_TABSTOP,
                         control_ids::kViewPause);
    scroll_ =
        CreateChild(L"SCROLLBAR", nullptr, SBS_HORZ | WS_TABSTOP, control_ids::kViewScrollBack);
    ::EnableWindow(scroll_, FALSE);
    plot_window_ =
        ::CreateWindowExW(0, kPlotClass, nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, window_,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(control_ids::kViewPlot)),
                          ::GetModuleHandleW(nullptr), nullptr);
    channels_ =
        CreateChild(L"LISTBOX", nullptr,
                    LBS_MULTIPLESEL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_TABSTOP,
                    control_ids::kViewChannels);
    // The values under the pointer: a tip that follows it over the plot.
    tip_ = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window_,
                             nullptr, ::GetModuleHandleW(nullptr), nullptr);
    TOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.uFlags = TTF_IDISHWND | TTF_TRACK | TTF_ABSOLUTE;
    tool.hwnd = window_;
    tool.uId = reinterpret_cast<UINT_PTR>(plot_window_);
    tool.lpszText = const_cast<wchar_t*>(L"");
    ::SendMessageW(tip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    ::SendMessageW(tip_, TTM_SETMAXTIPWIDTH, 0, ::MulDiv(kTipWidth, dpi_, kStandardDpi));
    HDC device = ::GetDC(window_);
    HGDIOBJ old = ::SelectObject(device, font_);
    TEXTMETRICW metrics{};
    ::GetTextMetricsW(device, &metrics);
    line_height_ = std::max(1, static_cast<int>(metrics.tmHeight));
    ::SelectObject(device, old);
    ::ReleaseDC(window_, device);
}

// The controls in a row at the top, the plot under them, the channel list at its right.
void Win32ChannelsWindow::Layout() {
    RECT client;
    ::GetClientRect(window_, &client);
    const auto scaled = [this](int pixels) { return ::MulDiv(pixels, dpi_, kStandardDpi); };
    const int margin = scaled(kMargin);
    const int row = line_height_ + scaled(kMargin);
    const int list = scaled(kListWidth);
    int x = margin;
    const auto place = [&](HWND control, int width) {
        ::SetWindowPos(control, nullptr, x, margin, width, row, SWP_NOZORDER | SWP_NOACTIVATE);
        x += width + margin / 2;
    };
    place(last_label_, scaled(kLabelWidth));
    place(span_, scaled(kSpanWidth));
    ::SendMessageW(span_arrows_, UDM_SETBUDDY, reinterpret_cast<WPARAM>(span_), 0);
    place(seconds_label_, scaled(kLabelWidth) / 2);
    place(pause_, scaled(kPauseWidth));
    place(scroll_, std::max(0, static_cast<int>(client.right) - x - margin));
    const int top = margin + row + margin;
    const int height = std::max(0, static_cast<int>(client.bottom) - top - margin);
    const int plot_width = std::max(0, static_cast<int>(client.right) - 3 * margin - list);
    ::SetWindowPos(plot_window_, nullptr, margin, top, plot_width, height,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    ::SetWindowPos(channels_, nullptr, 2 * margin + plot_width, top, list, height,
                   SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32ChannelsWindow::Show(HWND beside) {
    if (!placed_ && beside != nullptr) {
        placed_ = true;
        RECT main;
        ::GetWindowRect(beside, &main);
        MONITORINFO monitor{};
        monitor.cbSize = sizeof(monitor);
        ::GetMonitorInfoW(::MonitorFromWindow(beside, MONITOR_DEFAULTTONEAREST), &monitor);
        const RECT& work = monitor.rcWork;
        const int width = ::MulDiv(kWidth, dpi_, kStandardDpi);
        const int height = ::MulDiv(kHeight, dpi_, kStandardDpi);
        const int gap = ::MulDiv(kGap, dpi_, kStandardDpi);
        // Below the main window where the screen has room, else as low as it has.
        const int top = std::max(
            static_cast<int>(work.top),
            std::min(static_cast<int>(main.bottom) + gap, static_cast<int>(work.bottom) - height));
        const int left =
            std::max(static_cast<int>(work.left),
                     std::min(static_cast<int>(main.left), static_cast<int>(work.right) - width));
        ::SetWindowPos(window_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    ::SetWindowPos(window_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    Refresh();
    ::ShowWindow(window_, ::IsIconic(window_) ? SW_RESTORE : SW_SHOW);
    ::SetForegroundWindow(window_);
}

LRESULT CALLBACK Win32ChannelsWindow::Procedure(HWND window, UINT message, WPARAM w, LPARAM l) {
    auto* self = OwnerOf<Win32ChannelsWindow>(window);
    return self != nullptr ? self->Handle(message, w, l) : ::DefWindowProcW(window, message, w, l);
}

LRESULT CALLBACK Win32ChannelsWindow::PlotProcedure(HWND window, UINT message, WPARAM w, LPARAM l) {
    auto* self = OwnerOf<Win32ChannelsWindow>(window);
    return self != nullptr ? self->HandlePlot(message, w, l)
                           : ::DefWindowProcW(window, message, w, l);
}

LRESULT Win32ChannelsWindow::Handle(UINT message, WPARAM w, LPARAM l) {
    switch (message) {
        case WM_COMMAND:
            Command(LOWORD(w), HIWORD(w));
            return 0;
        case WM_HSCROLL:
            if (reinterpret_cast<HWND>(l) == scroll_) {
                Scrolled(LOWORD(w));
            }
            return 0;
        case WM_TIMER:
            if (w == control_ids::kViewRepaintTimerId && ::IsWindowVisible(window_)) {
                Refresh();
            }
            return 0;
        case WM_SIZE:
            Layout();
            return 0;
        case WM_CLOSE:
            ::ShowWindow(window_, SW_HIDE);
            return 0;
        default:
            return ::DefWindowProcW(window_, message, w, l);
    }
}

LRESULT Win32ChannelsWindow::HandlePlot(UINT message, WPARAM w, LPARAM l) {
    switch (message) {
        case WM_PAINT:
            PaintPlot();
            return 0;
        case WM_PRINTCLIENT:
            Compose(reinterpret_cast<HDC>(w));
            return 0;
        case WM_ERASEBKGND:
            return 1;  // every pixel is painted
        case WM_SIZE:
            ::InvalidateRect(plot_window_, nullptr, FALSE);
            return 0;
        case WM_MOUSEMOVE:
            PointerMoved(static_cast<short>(LOWORD(l)), static_cast<short>(HIWORD(l)));
            return 0;
        case WM_MOUSELEAVE:
            PointerLeft();
            return 0;
        default:
            return ::DefWindowProcW(plot_window_, message, w, l);
    }
}

void Win32ChannelsWindow::Command(int id, int notification) {
    switch (id) {
        case control_ids::kViewSpan:
            if (notification == EN_CHANGE) {
                FollowOrScroll();
            }
            break;
        case control_ids::kViewPause:
            if (notification == BN_CLICKED) {
                ::SetWindowTextW(pause_, Paused() ? L"Follow" : L"Pause");
                ::EnableWindow(scroll_, Paused());
                FollowOrScroll();
            }
            break;
        case control_ids::kViewChannels:
            if (notification == LBN_SELCHANGE) {
                ShowChosenChannels();
            }
            break;
        default:
            break;
    }
}

// The arrows and the trough move a tenth of a second and ten seconds; the thumb goes where
// it is dragged.
void Win32ChannelsWindow::Scrolled(int request) {
    SCROLLINFO info{sizeof(info), SIF_ALL, 0, 0, 0, 0, 0};
    ::GetScrollInfo(scroll_, SB_CTL, &info);
    int position = info.nPos;
    switch (request) {
        case SB_LINELEFT:
            --position;
            break;
        case SB_LINERIGHT:
            ++position;
            break;
        case SB_PAGELEFT:
            position -= kPageSteps;
            break;
        case SB_PAGERIGHT:
            position += kPageSteps;
            break;
        case SB_LEFT:
            position = info.nMin;
            break;
        case SB_RIGHT:
            position = info.nMax;
            break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION:
            position = info.nTrackPos;
            break;
        default:
            return;
    }
    ::SetScrollPos(scroll_, SB_CTL, std::clamp(position, info.nMin, info.nMax), TRUE);
    FollowOrScroll();
}

bool Win32ChannelsWindow::Paused() const {
    return ::SendMessageW(pause_, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

int Win32ChannelsWindow::Span() const {
    BOOL read = FALSE;
    const UINT span = ::GetDlgItemInt(window_, control_ids::kViewSpan, &read, FALSE);
    return read ? std::clamp(static_cast<int>(span), 1, kLongestSpanSeconds) : kDefaultSpanSeconds;
}

void Win32ChannelsWindow::Refresh() {
    if (history_.Channels() != known_channels_) {
        ReadChannels();
    }
    if (Paused() || history_.Recorded() == shown_ticks_) {
        return;
    }
    shown_ticks_ = history_.Recorded();
    FollowOrScroll();
    if (tracking_) {
        ShowValuesAt(pointer_);  // the tip follows the newest ticks under a still pointer
    }
}

// Up to eight channels show at first; the list chooses among all of them.
void Win32ChannelsWindow::ReadChannels() {
    known_channels_ = history_.Channels();
    std::vector<ChannelLook> looks;
    ::SendMessageW(channels_, LB_RESETCONTENT, 0, 0);
    for (int channel = 0; channel < known_channels_; ++channel) {
        looks.push_back(ReadChannelLook(host_, channel));
        const std::wstring item =
            L"#" + std::to_wstring(channel) + L" " + WideText(looks.back().text);
        ::SendMessageW(channels_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
        if (channel < kFirstShownChannels) {
            ::SendMessageW(channels_, LB_SETSEL, TRUE, channel);
        }
    }
    plot_.SetLooks(std::move(looks));
    ShowChosenChannels();
}

void Win32ChannelsWindow::ShowChosenChannels() {
    const auto count = static_cast<int>(::SendMessageW(channels_, LB_GETSELCOUNT, 0, 0));
    std::vector<int> shown(static_cast<std::size_t>(std::max(count, 0)));
    if (count > 0) {
        ::SendMessageW(channels_, LB_GETSELITEMS, static_cast<WPARAM>(count),
                       reinterpret_cast<LPARAM>(shown.data()));
    }
    plot_.SetShownChannels(std::move(shown));
    ::InvalidateRect(plot_window_, nullptr, FALSE);
}

// Following shows the newest ticks; paused, the scroll bar moves back through what is held.
void Win32ChannelsWindow::FollowOrScroll() {
    const double span = Span();
    const TimeWindow window(history_, span);
    if (!Paused()) {
        SCROLLINFO range{sizeof(range),
                         SIF_RANGE | SIF_POS,
                         0,
                         window.ScrollSteps(),
                         0,
                         window.ScrollSteps(),
                         0};
        ::SetScrollInfo(scroll_, SB_CTL, &range, FALSE);
        plot_.SetWindow(window.FollowingEnd(), span);
    } else {
        plot_.SetWindow(window.ScrolledEnd(::GetScrollPos(scroll_, SB_CTL)), span);
    }
    ::InvalidateRect(plot_window_, nullptr, FALSE);
}

void Win32ChannelsWindow::PaintPlot() {
    PAINTSTRUCT paint;
    HDC device = ::BeginPaint(plot_window_, &paint);
    Compose(device);
    ::EndPaint(plot_window_, &paint);
}

// The ring of pixels in two copies, then the texts, axis ticks and marks over them, in a
// picture of its own so that the screen never shows the texts missing.
void Win32ChannelsWindow::Compose(HDC device) {
    RECT client;
    ::GetClientRect(plot_window_, &client);
    plot_.SetSize(client.right, client.bottom, line_height_);
    plot_.SetColours({PixelColour(COLOR_WINDOW), PixelColour(COLOR_HIGHLIGHT),
                      PixelColour(COLOR_BTNSHADOW), PlotColours{}.active, PlotColours{}.inactive});
    plot_.Prepare(history_);
    const TraceCanvas& canvas = plot_.Canvas();
    if (canvas.Width() == 0 || canvas.Height() == 0) {
        return;
    }
    HDC picture = ::CreateCompatibleDC(device);
    HBITMAP bitmap = ::CreateCompatibleBitmap(device, canvas.Width(), canvas.Height());
    HGDIOBJ old_bitmap = ::SelectObject(picture, bitmap);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = canvas.Width();
    info.bmiHeader.biHeight = -canvas.Height();  // top-down, as the canvas keeps its rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    const int start = plot_.RingStart();
    const int first_part = canvas.Width() - start;
    ::StretchDIBits(picture, 0, 0, first_part, canvas.Height(), start, 0, first_part,
                    canvas.Height(), canvas.Pixels(), &info, DIB_RGB_COLORS, SRCCOPY);
    if (start > 0) {
        ::StretchDIBits(picture, first_part, 0, start, canvas.Height(), 0, 0, start,
                        canvas.Height(), canvas.Pixels(), &info, DIB_RGB_COLORS, SRCCOPY);
    }
    const COLORREF text_colour = ::GetSysColor(COLOR_WINDOWTEXT);
    for (const PlotRect& tick : plot_.AxisTickMarks()) {
        Fill(picture, tick, text_colour);
    }
    HGDIOBJ old_font = ::SelectObject(picture, font_);
    ::SetBkMode(picture, TRANSPARENT);
    for (const PlotText& text : plot_.Texts()) {
        ::SetTextColor(picture, text.ink == PlotText::Ink::OnBand ? RGB(0, 0, 0) : text_colour);
        RECT place = ToRect(text.place);
        const std::wstring wide = WideText(text.text);
        ::DrawTextW(picture, wide.c_str(), static_cast<int>(wide.size()), &place,
                    TextFormat(text.align));
    }
    ::SelectObject(picture, old_font);
    for (const PlotMark& mark : plot_.Marks(history_)) {
        Fill(
            picture, mark.place,
            mark.kind == SampleHistory::MarkKind::AlarmSound ? kAlarmMarkColour : kEmailMarkColour);
    }
    ::BitBlt(device, 0, 0, canvas.Width(), canvas.Height(), picture, 0, 0, SRCCOPY);
    ::SelectObject(picture, old_bitmap);
    ::DeleteObject(bitmap);
    ::DeleteDC(picture);
}

void Win32ChannelsWindow::PointerMoved(int x, int y) {
    if (!tracking_) {
        TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, plot_window_, 0};
        tracking_ = ::TrackMouseEvent(&track) != FALSE;
    }
    pointer_ = {x, y};
    ShowValuesAt(pointer_);
}

void Win32ChannelsWindow::ShowValuesAt(POINT pointer) {
    const int x = pointer.x;
    const int y = pointer.y;
    pointer_text_ = WideText(plot_.ValuesAt(history_, x));
    TOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.hwnd = window_;
    tool.uId = reinterpret_cast<UINT_PTR>(plot_window_);
    tool.lpszText = pointer_text_.data();
    ::SendMessageW(tip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    POINT at{x + ::MulDiv(kGap, dpi_, kStandardDpi), y + ::MulDiv(kGap, dpi_, kStandardDpi)};
    ::ClientToScreen(plot_window_, &at);
    ::SendMessageW(tip_, TTM_TRACKPOSITION, 0, MAKELPARAM(at.x, at.y));
    ::SendMessageW(tip_, TTM_TRACKACTIVATE, !pointer_text_.empty(),
                   reinterpret_cast<LPARAM>(&tool));
}

void Win32ChannelsWindow::PointerLeft() {
    tracking_ = false;
    TOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.hwnd = window_;
    tool.uId = reinterpret_cast<UINT_PTR>(plot_window_);
    ::SendMessageW(tip_, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&tool));
}

}  // namespace quillon
