// SPDX-License-Identifier: MIT
#include "ui/win32/win32_main_window.hpp"

#include <commctrl.h>

#include <algorithm>
#include <exception>
#include <optional>
#include <stdexcept>
#include <string_view>

#include "app/application.hpp"
#include "panel/pictures.hpp"
#include "panel/timer_periods.hpp"
#include "platform/win32/com_text.hpp"
#include "ui/win32/control_ids.hpp"
#include "ui/win32/dpi.hpp"
#include "ui/win32/picture_painter.hpp"
#include "ui/win32/win32_prompter.hpp"

namespace quillon {

namespace {

constexpr const wchar_t* kWindowClass = L"QuillonMainWindow";
constexpr DWORD kWindowStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
constexpr DWORD kWindowExtendedStyle = 0;
constexpr UINT kDpiChangedMessage = 0x02E0;  // WM_DPICHANGED, newer than the headers' Windows
constexpr UINT kServicePeriod = 100;         // ms
constexpr int kFocusInset = 3;

// Until CreateWindow has returned, the window's messages get the system's handling: the
// window object takes them once its controls exist.
LRESULT CALLBACK CreationProcedure(HWND window, UINT message, WPARAM w, LPARAM l) {
    return ::DefWindowProcW(window, message, w, l);
}

void RegisterWindowClass() {
    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof(window_class);
    window_class.lpfnWndProc = &CreationProcedure;
    window_class.hInstance = ::GetModuleHandleW(nullptr);
    window_class.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // the arrow
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    window_class.lpszClassName = kWindowClass;
    ::RegisterClassExW(&window_class);  // fails harmlessly when a window made it before
}

// A Windows colour value of the Panel as GDI takes it: system colours by their index.
COLORREF ToColorRef(Colour colour) {
    constexpr Colour kSystemColourFlag = 0x80000000u;
    if ((colour & kSystemColourFlag) != 0) {
        return ::GetSysColor(static_cast<int>(colour & 0xFFu));
    }
    return colour;
}

// The typed character as the program's text has it: one byte of the ANSI code page.
std::optional<char> CharacterByte(wchar_t character) {
    char bytes[4] = {};
    BOOL lossy = FALSE;
    const int length =
        ::WideCharToMultiByte(CP_ACP, 0, &character, 1, bytes, sizeof(bytes), nullptr, &lossy);
    if (length != 1 || lossy) {
        return std::nullopt;
    }
    return bytes[0];
}

std::string WindowText(HWND window) {
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        ::GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return NarrowText(text.c_str());
}

int SlotOf(HWND control, int base) {
    const int slot = ::GetDlgCtrlID(control) - base;
    return slot >= 0 && slot < kSlotCount ? slot : -1;
}

}  // namespace

Win32MainWindow::Win32MainWindow(Application& application)
    : application_(application), panel_(application.GetPanel()) {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&controls);
    RegisterWindowClass();
    window_ = ::CreateWindowExW(kWindowExtendedStyle, kWindowClass, L"Quillon", kWindowStyle,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr,
                                nullptr, ::GetModuleHandleW(nullptr), nullptr);
    if (window_ == nullptr) {
        throw std::runtime_error("the window could not be made: " +
                                 SystemMessage(::GetLastError()));
    }
    dpi_ = WindowDpi(window_);
    font_ = CreateDialogFont(dpi_);
    icon_ = CreatePictureIcon(WindowIconPicture(), ::GetSystemMetrics(SM_CXICON));
    ::SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
    ::SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));
    CreateControls();
    ApplyLayout();
    scan_ticks_ =
        std::make_unique<ScanTickSource>(window_, control_ids::kScanTickMessage, kScanTimerPeriod);
    ::SetTimer(window_, control_ids::kServiceTimerId, kServicePeriod, nullptr);
    ShowAll();
    panel_.AddObserver(this);
    ::SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    ::SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Procedure));
}

Win32MainWindow::~Win32MainWindow() {
    panel_.RemoveObserver(this);
    StopTimers();
    if (::IsWindow(window_)) {
        // Gone with its owner, not closed: no quit for the thread's message loop.
        ::SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CreationProcedure));
        ::DestroyWindow(window_);
    }
    ::DeleteObject(font_);
    ::DestroyIcon(icon_);
}

LRESULT CALLBACK Win32MainWindow::Procedure(HWND window, UINT message, WPARAM w, LPARAM l) {
    auto* self = reinterpret_cast<Win32MainWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    return self != nullptr ? self->Handle(message, w, l) : ::DefWindowProcW(window, message, w, l);
}

LRESULT Win32MainWindow::Handle(UINT message, WPARAM w, LPARAM l) {
    switch (message) {
        case WM_COMMAND:
            if (l != 0) {
                Command(LOWORD(w), HIWORD(w));
            } else if (LOWORD(w) == control_ids::kChannelsViewItem) {
                RequestChannelsView();
            }
            return 0;
        case WM_CONTEXTMENU:
            ContextMenu(l);
            return 0;
        case WM_VSCROLL:
            SwitchMoved(reinterpret_cast<HWND>(l), LOWORD(w), HIWORD(w));
            return 0;
        case WM_DRAWITEM:
            DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(l));
            return TRUE;
        case WM_CTLCOLORSTATIC:
            return LabelColours(reinterpret_cast<HDC>(w), reinterpret_cast<HWND>(l));
        case WM_PAINT:
            Paint();
            return 0;
        case WM_TIMER:
            if (w == control_ids::kAlarmTimerId && panel_.AlarmTimerEnabled()) {
                Tick(alarm_busy_, &Application::AlarmTick);
            } else if (w == control_ids::kKeepAliveTimerId && panel_.KeepAliveTimerEnabled()) {
                Tick(keep_alive_busy_, &Application::KeepAliveTick);
            } else if (w == ScanTickSource::kFallbackTimerId && panel_.ScanTimerEnabled()) {
                Tick(scan_busy_, &Application::ScanTick);
            } else if (w == control_ids::kServiceTimerId && service_ && !closed_) {
                Forward([this] { service_(); });
            }
            return 0;
        case control_ids::kScanTickMessage:
            scan_ticks_->TickTaken();
            // A tick that waited in the queue past a Stop is dropped.
            if (panel_.ScanTimerEnabled() && !ending_) {
                Tick(scan_busy_, &Application::ScanTick);
            }
            return 0;
        case control_ids::kHostExitMessage:
            if (!closed_ && !ending_) {
                Forward([this] { application_.HostExited(); });
            }
            return 0;
        case kDpiChangedMessage:
            DpiChanged(LOWORD(w), *reinterpret_cast<const RECT*>(l));
            return 0;
        case WM_SIZE:
            // A maximised window is bounded and laid out as a resized one is.
            if (w == SIZE_RESTORED || w == SIZE_MAXIMIZED) {
                Resized(SIZE{LOWORD(l), HIWORD(l)});
            }
            return 0;
        case WM_MOVE:
            Moved();
            return 0;
        case WM_CLOSE:
            CloseRequested();
            return 0;
        case WM_DESTROY:
            closed_ = true;
            ::PostQuitMessage(0);
            return 0;
        default:
            return ::DefWindowProcW(window_, message, w, l);
    }
}

HWND Win32MainWindow::CreateChild(const wchar_t* control_class, const wchar_t* text, DWORD style,
                                  int id) {
    const DWORD extended = std::wstring_view(control_class) == L"EDIT" ? WS_EX_CLIENTEDGE : 0;
    return ::CreateWindowExW(extended, control_class, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0,
                             0, window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                             ::GetModuleHandleW(nullptr), nullptr);
}

// The focus-taking controls are made in tab order, which dialog navigation follows; the
// lamps and labels come after them.
void Win32MainWindow::CreateControls() {
    tool_tips_ = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                   WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                                   CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr,
                                   ::GetModuleHandleW(nullptr), nullptr);
    constexpr DWORD kButton = BS_PUSHBUTTON | WS_TABSTOP;
    constexpr DWORD kPicture = BS_OWNERDRAW | WS_TABSTOP;
    for (const layout::TabStop& stop : layout::TabOrder()) {
        const auto slot = static_cast<std::size_t>(stop.slot);
        switch (stop.control) {
            case layout::FocusStop::StartStop:
                start_stop_ = CreateChild(L"BUTTON", L"Start", kButton, control_ids::kStartStop);
                AddToolTip(start_stop_, "");
                break;
            case layout::FocusStop::QuickReference:
                quick_reference_ =
                    CreateChild(L"BUTTON", L"f(x)", kPicture, control_ids::kQuickReference);
                AddToolTip(quick_reference_, layout::kQuickReferenceToolTip);
                break;
            case layout::FocusStop::DataWindow:
                data_window_ = CreateChild(L"EDIT", L"", ES_AUTOHSCROLL | WS_TABSTOP,
                                           control_ids::kDataWindow);
                AddToolTip(data_window_, layout::kDataWindowToolTip);
                break;
            case layout::FocusStop::AlarmSettings:
                alarm_settings_ =
                    CreateChild(L"BUTTON", L"", kPicture, control_ids::kAlarmSettings);
                AddToolTip(alarm_settings_, layout::kAlarmSettingsToolTip);
                break;
            case layout::FocusStop::ModeSwitch: {
                switches_[slot] = CreateChild(L"SCROLLBAR", nullptr, SBS_VERT | WS_TABSTOP,
                                              control_ids::kModeSwitchBase + stop.slot);
                // Page 1 over 1..3: the thumb stands at one of three positions.
                SCROLLINFO range{sizeof(range),
                                 SIF_RANGE | SIF_PAGE,
                                 kForceSetPosition,
                                 kForceResetPosition,
                                 1,
                                 0,
                                 0};
                ::SetScrollInfo(switches_[slot], SB_CTL, &range, FALSE);
                break;
            }
            case layout::FocusStop::EditEquation: {
                const bool picture = stop.slot >= kOutputCount;
                const std::wstring caption = picture ? L"" : L"D" + std::to_wstring(stop.slot);
                edit_buttons_[slot] =
                    CreateChild(L"BUTTON", caption.c_str(), picture ? kPicture : kButton,
                                control_ids::kEditEquationBase + stop.slot);
                AddToolTip(edit_buttons_[slot], layout::EditEquationToolTip(stop.slot));
                break;
            }
            case layout::FocusStop::GlobalKeys:
                global_keys_ = CreateChild(L"BUTTON", WideText(layout::kGlobalKeysCaption).c_str(),
                                           BS_AUTOCHECKBOX | WS_TABSTOP, control_ids::kGlobalKeys);
                AddToolTip(global_keys_, layout::kGlobalKeysToolTip);
                break;
            case layout::FocusStop::EmailSettings:
                email_settings_ =
                    CreateChild(L"BUTTON", L"", kPicture, control_ids::kEmailSettings);
                AddToolTip(email_settings_, layout::kEmailSettingsToolTip);
                break;
        }
    }
    for (int slot = 0; slot < kSlotCount; ++slot) {
        lamps_[static_cast<std::size_t>(slot)] = CreateChild(
            L"STATIC", nullptr, SS_OWNERDRAW | SS_NOTIFY, control_ids::kLampBase + slot);
    }
    for (std::size_t label = 0; label < labels_.size(); ++label) {
        labels_[label] = CreateChild(L"STATIC", WideText(layout::kGuideLabels[label].text).c_str(),
                                     SS_LEFT | SS_NOPREFIX,
                                     control_ids::kGuideLabelBase + static_cast<int>(label));
    }
}

void Win32MainWindow::AddToolTip(HWND control, const std::string& text) {
    std::wstring wide = WideText(text);
    TOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = window_;
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = wide.data();
    ::SendMessageW(tool_tips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void Win32MainWindow::SetToolTip(HWND control, const std::string& text) {
    std::wstring wide = WideText(text);
    TOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.hwnd = window_;
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = wide.data();
    ::SendMessageW(tool_tips_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

void Win32MainWindow::Place(HWND control, const TwipsRect& place) {
    ::SetWindowPos(control, nullptr, TwipsToPixels(place.left, dpi_),
                   TwipsToPixels(place.top, dpi_), TwipsToPixels(place.width, dpi_),
                   TwipsToPixels(place.height, dpi_), SWP_NOZORDER | SWP_NOACTIVATE);
    ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
}

void Win32MainWindow::ApplyLayout() {
    for (int slot = 0; slot < kSlotCount; ++slot) {
        const auto index = static_cast<std::size_t>(slot);
        Place(lamps_[index], layout::Lamp(slot));
        Place(switches_[index], layout::ModeSwitch(slot));
        Place(edit_buttons_[index], layout::EditEquation(slot));
    }
    for (std::size_t label = 0; label < labels_.size(); ++label) {
        Place(labels_[label], layout::kGuideLabels[label].place);
    }
    Place(start_stop_, layout::kStartStop);
    Place(data_window_, layout::kDataWindow);
    Place(quick_reference_, layout::kQuickReference);
    Place(global_keys_, layout::kGlobalKeys);
    Place(alarm_settings_, layout::kAlarmSettings);
    Place(email_settings_, layout::kEmailSettings);
}

// Modal boxes opened by an application call run their own message loops, so calls nest: closing and
// ending wait until the outermost call has returned.
template <typename Call>
void Win32MainWindow::Forward(Call&& call) {
    ++application_depth_;
    try {
        call();
    } catch (const std::exception& error) {
        // An exception must not unwind through the system's message dispatch; keep it visible.
        panel_.SetStatus(error.what());
    } catch (...) {
        panel_.SetStatus("an unexpected error ended the last action");
    }
    if (--application_depth_ == 0) {
        AfterApplicationCalls();
    }
}

void Win32MainWindow::AfterApplicationCalls() {
    if (closed_) {
        return;
    }
    if (application_.Ended() && !ending_) {
        ending_ = true;
        StopTimers();
        ::PostMessageW(window_, WM_CLOSE, 0, 0);
    } else if (close_pending_) {
        close_pending_ = false;
        ::PostMessageW(window_, WM_CLOSE, 0, 0);
    }
}

// A tick whose handler is still on the stack (a modal box is open) is skipped, not nested.
void Win32MainWindow::Tick(bool& busy, void (Application::*handler)()) {
    if (busy || closed_) {
        return;
    }
    busy = true;
    Forward([this, handler] { (application_.*handler)(); });
    busy = false;
}

// Without its host or settings the program cannot run: report the failure and end, without
// the save of a normal close.
void Win32MainWindow::Load(const std::string& argument_text) {
    ++application_depth_;
    try {
        application_.Load(argument_text);
        --application_depth_;
    } catch (const std::exception& error) {
        --application_depth_;
        startup_failed_ = true;
        ending_ = true;
        StopTimers();
        ShowMessageBox(window_, MessageIcon::Critical,
                       std::string("Quillon could not start: ") + error.what(), "Quillon");
        ::PostMessageW(window_, WM_CLOSE, 0, 0);
        return;
    }
    if (application_depth_ == 0) {
        AfterApplicationCalls();
    }
}

bool Win32MainWindow::PreviewMessage(MSG& message) {
    if (closed_ || (message.hwnd != window_ && !::IsChild(window_, message.hwnd))) {
        return false;
    }
    // Ctrl+L opens the channels view and types nothing.
    if (message.message == WM_KEYDOWN && message.wParam == 'L' && ::GetKeyState(VK_CONTROL) < 0 &&
        ::GetKeyState(VK_MENU) >= 0) {
        RequestChannelsView();
        return true;
    }
    if (message.message == WM_CHAR) {
        if (const std::optional<char> byte = CharacterByte(static_cast<wchar_t>(message.wParam))) {
            Forward([this, byte] { application_.CharacterTyped(*byte); });
        }
    }
    // Tab, Shift+Tab and the arrow keys move between the controls, as in a dialog; every
    // other message is dispatched as usual, the character included.
    return ::IsDialogMessageW(window_, &message) != FALSE;
}

void Win32MainWindow::Command(int id, int notification) {
    using namespace control_ids;
    if (id == kDataWindow) {
        if (notification == EN_CHANGE && !showing_) {
            const std::string text = WindowText(data_window_);
            Forward([this, &text] { panel_.SetDataWindowText(text); });
        }
        return;
    }
    if (notification != BN_CLICKED) {
        return;
    }
    if (id >= kEditEquationBase && id < kEditEquationBase + kSlotCount) {
        Forward([this, id] { application_.EditEquationClicked(id - kEditEquationBase); });
        return;
    }
    // A click on a lamp (STN_CLICKED, the same code as BN_CLICKED) acknowledges its latch.
    if (id >= kLampBase && id < kLampBase + kSlotCount) {
        Forward([this, id] { application_.Acknowledge(id - kLampBase, AckSource::Window); });
        return;
    }
    switch (id) {
        case kStartStop:
            Forward([this] { application_.StartStopClicked(); });
            break;
        case kQuickReference:
            Forward([this] { application_.QuickReferenceClicked(); });
            break;
        case kAlarmSettings:
            Forward([this] { application_.AlarmSettingsClicked(); });
            break;
        case kEmailSettings:
            Forward([this] { application_.EmailSettingsClicked(); });
            break;
        case kGlobalKeys: {
            const bool checked = ::SendMessageW(global_keys_, BM_GETCHECK, 0, 0) == BST_CHECKED;
            Forward([this, checked] { panel_.SetGlobalKeys(checked); });
            break;
        }
        default:
            break;
    }
}

// The arrows, the trough and the keyboard move the switch one position; a drag changes the
// mode once, where the thumb is let go.
void Win32MainWindow::SwitchMoved(HWND scroll_bar, int request, int thumb) {
    const int slot = SlotOf(scroll_bar, control_ids::kModeSwitchBase);
    if (slot < 0) {
        return;
    }
    int position = panel_.Slot(slot).switch_position;
    switch (request) {
        case SB_LINEUP:
        case SB_PAGEUP:
            --position;
            break;
        case SB_LINEDOWN:
        case SB_PAGEDOWN:
            ++position;
            break;
        case SB_TOP:
            position = kForceSetPosition;
            break;
        case SB_BOTTOM:
            position = kForceResetPosition;
            break;
        case SB_THUMBPOSITION:
            position = thumb;
            break;
        default:
            return;
    }
    position = std::clamp(position, kForceSetPosition, kForceResetPosition);
    Forward([this, slot, position] { panel_.SetSwitchPosition(slot, position); });
    // A drag let go where it began changes nothing: the thumb goes back where the Panel has it.
    ShowSlot(PanelField::SwitchPosition, slot);
}

void Win32MainWindow::DrawItem(const DRAWITEMSTRUCT& item) {
    const int lamp = static_cast<int>(item.CtlID) - control_ids::kLampBase;
    if (lamp >= 0 && lamp < kSlotCount) {
        DrawLamp(item, lamp);
    } else {
        DrawPictureButton(item);
    }
}

void Win32MainWindow::DrawLamp(const DRAWITEMSTRUCT& item, int slot) {
    HBRUSH fill = ::CreateSolidBrush(ToColorRef(panel_.Slot(slot).lamp));
    ::FillRect(item.hDC, &item.rcItem, fill);
    if (panel_.Slot(slot).latched) {
        // The latch mark: a white frame, two pixels wide, inside the border.
        const int inset = std::max(2, static_cast<int>(item.rcItem.right - item.rcItem.left) / 6);
        HBRUSH white = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
        RECT frame = item.rcItem;
        ::InflateRect(&frame, -(inset - 1), -(inset - 1));
        ::FrameRect(item.hDC, &frame, white);
        ::InflateRect(&frame, -1, -1);
        ::FrameRect(item.hDC, &frame, white);
    }
    ::FrameRect(item.hDC, &item.rcItem, ::GetSysColorBrush(COLOR_WINDOWTEXT));
    ::DeleteObject(fill);
}

void Win32MainWindow::DrawPictureButton(const DRAWITEMSTRUCT& item) {
    static const Picture kBell = BellPicture();
    static const Picture kEnvelope = EnvelopePicture();
    static const Picture kGreyEnvelope = GreyEnvelopePicture();
    static const Picture kGear = GearPicture();
    static const Picture kFormula = FormulaPicture();
    const bool pushed = (item.itemState & ODS_SELECTED) != 0;
    const bool disabled = (item.itemState & ODS_DISABLED) != 0;
    RECT area = item.rcItem;
    ::DrawFrameControl(
        item.hDC, &area, DFC_BUTTON,
        DFCS_BUTTONPUSH | (pushed ? DFCS_PUSHED : 0u) | (disabled ? DFCS_INACTIVE : 0u));
    const Picture* picture = &kGear;
    if (item.CtlID == control_ids::kEditEquationBase + kAudioSlot) {
        picture = &kBell;
    } else if (item.CtlID == control_ids::kEditEquationBase + kEmailSlot) {
        picture = disabled ? &kGreyEnvelope : &kEnvelope;
    } else if (item.CtlID == control_ids::kQuickReference) {
        picture = &kFormula;
    }
    if (pushed) {
        ::OffsetRect(&area, 1, 1);
    }
    PaintPicture(item.hDC, *picture, area, static_cast<double>(dpi_) / kStandardDpi);
    if ((item.itemState & ODS_FOCUS) != 0) {
        RECT focus = item.rcItem;
        ::InflateRect(&focus, -kFocusInset, -kFocusInset);
        ::DrawFocusRect(item.hDC, &focus);
    }
}

LRESULT Win32MainWindow::LabelColours(HDC device, HWND control) {
    const int label = ::GetDlgCtrlID(control) - control_ids::kGuideLabelBase;
    if (label >= 0 && label < static_cast<int>(labels_.size())) {
        ::SetTextColor(device,
                       ToColorRef(layout::kGuideLabels[static_cast<std::size_t>(label)].colour));
    }
    ::SetBkMode(device, TRANSPARENT);
    return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
}

void Win32MainWindow::Paint() {
    PAINTSTRUCT paint;
    HDC device = ::BeginPaint(window_, &paint);
    for (const layout::GuideLine& line : layout::kGuideLines) {
        LOGBRUSH ink{BS_SOLID, ToColorRef(line.colour), 0};
        const auto width =
            static_cast<DWORD>(std::max(1, ::MulDiv(line.width, dpi_, kStandardDpi)));
        HPEN pen =
            ::ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_FLAT, width, &ink, 0, nullptr);
        HGDIOBJ old = ::SelectObject(device, pen);
        const int top = TwipsToPixels(line.top, dpi_);
        ::MoveToEx(device, TwipsToPixels(line.left, dpi_), top, nullptr);
        ::LineTo(device, TwipsToPixels(line.right, dpi_), top);
        ::SelectObject(device, old);
        ::DeleteObject(pen);
    }
    ::EndPaint(window_, &paint);
}

// The window went to a monitor of another density: the same twips, in its pixels.
void Win32MainWindow::DpiChanged(int dpi, const RECT& suggested) {
    dpi_ = dpi;
    HFONT old_font = font_;
    font_ = CreateDialogFont(dpi_);
    ApplyLayout();
    ::DeleteObject(old_font);
    FitWindow({suggested.left, suggested.top});
    ::InvalidateRect(window_, nullptr, TRUE);
}

// The operator resized the window: the Application bounds the size, and the window takes it.
// The size comes with the message: while the system maximises the window, the client area it
// reports may still be the old one.
void Win32MainWindow::Resized(SIZE client) {
    if (showing_ || closed_) {
        return;
    }
    const int width = PixelsToTwips(client.cx, dpi_) + kFrameWidth;
    const int height = PixelsToTwips(client.cy, dpi_) + kFrameHeight;
    Forward([this, width, height] { application_.Resize(width, height); });
    ShowGeometry();
}

// The operator moved the window: the Panel keeps the position the settings save.
void Win32MainWindow::Moved() {
    if (showing_ || closed_ || !::IsWindowVisible(window_) || ::IsIconic(window_)) {
        return;
    }
    RECT frame;
    ::GetWindowRect(window_, &frame);
    panel_.SetWindowPosition(PixelsToTwips(frame.left, dpi_), PixelsToTwips(frame.top, dpi_));
}

void Win32MainWindow::CloseRequested() {
    if (closed_) {
        return;
    }
    if (application_depth_ > 0) {
        close_pending_ = true;
        return;
    }
    if (!ending_) {
        Forward([this] { application_.Unload(); });
    }
    closed_ = true;
    StopTimers();
    ::DestroyWindow(window_);
}

// The layout has no room for a menu bar: the channels view opens from here and Ctrl+L.
void Win32MainWindow::ContextMenu(LPARAM where) {
    POINT at{static_cast<short>(LOWORD(where)), static_cast<short>(HIWORD(where))};
    if (at.x == -1 && at.y == -1) {  // from the keyboard: at the window's corner
        at = {0, 0};
        ::ClientToScreen(window_, &at);
    }
    HMENU menu = ::CreatePopupMenu();
    ::AppendMenuW(menu, MF_STRING, control_ids::kChannelsViewItem, L"Channels view\tCtrl+L");
    const UINT chosen = static_cast<UINT>(::TrackPopupMenu(
        menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, at.x, at.y, 0, window_, nullptr));
    ::DestroyMenu(menu);
    if (chosen == control_ids::kChannelsViewItem) {
        RequestChannelsView();
    }
}

void Win32MainWindow::RequestChannelsView() {
    if (channels_view_request_ && !closed_) {
        channels_view_request_();
    }
}

void Win32MainWindow::ShowAll() {
    for (int slot = 0; slot < kSlotCount; ++slot) {
        for (PanelField field :
             {PanelField::LampColour, PanelField::LampVisible, PanelField::SwitchPosition,
              PanelField::ModeEnabled, PanelField::ModeVisible, PanelField::EditEnabled,
              PanelField::EquationVisible}) {
            ShowSlot(field, slot);
        }
    }
    for (PanelField field : {PanelField::StartStopCaption, PanelField::GlobalKeys,
                             PanelField::DataWindowText, PanelField::QuickReferenceEnabled,
                             PanelField::Timers, PanelField::WindowGeometry, PanelField::Caption}) {
        PanelChanged(field, -1);
    }
}

void Win32MainWindow::PanelChanged(PanelField field, int slot) {
    if (closed_) {
        return;
    }
    switch (field) {
        case PanelField::LampColour:
        case PanelField::LampVisible:
        case PanelField::Latched:
        case PanelField::SwitchPosition:
        case PanelField::ModeEnabled:
        case PanelField::ModeVisible:
        case PanelField::EditEnabled:
        case PanelField::EquationEnabled:
        case PanelField::EquationVisible:
            ShowSlot(field, slot);
            break;
        case PanelField::StartStopCaption:
            ::SetWindowTextW(start_stop_, WideText(panel_.StartStopCaption()).c_str());
            break;
        case PanelField::GlobalKeys:
            ::SendMessageW(global_keys_, BM_SETCHECK,
                           panel_.GlobalKeys() ? BST_CHECKED : BST_UNCHECKED, 0);
            break;
        case PanelField::DataWindowText:
            ShowDataWindow();
            break;
        case PanelField::QuickReferenceEnabled:
            ::EnableWindow(quick_reference_, panel_.QuickReferenceEnabled());
            break;
        case PanelField::Timers:
            ShowTimers();
            break;
        case PanelField::WindowGeometry:
            ShowGeometry();
            break;
        case PanelField::Caption:
        case PanelField::Status:
            ShowTitle();
            break;
        // Every field is named, so that a new one the window does not handle is a compiler
        // warning here. Modes, equations, manual outputs and the math switch are not drawn.
        case PanelField::Mode:
        case PanelField::Equation:
        case PanelField::ManualOutput:
        case PanelField::MathMode:
            break;
    }
}

void Win32MainWindow::ShowSlot(PanelField field, int slot) {
    if (slot < 0 || slot >= kSlotCount) {
        return;
    }
    const auto index = static_cast<std::size_t>(slot);
    const SlotState& state = panel_.Slot(slot);
    switch (field) {
        case PanelField::LampColour:
        case PanelField::Latched:
            ::InvalidateRect(lamps_[index], nullptr, FALSE);
            break;
        case PanelField::LampVisible:
            ::ShowWindow(lamps_[index], state.lamp_visible ? SW_SHOWNA : SW_HIDE);
            break;
        case PanelField::SwitchPosition:
            ::SetScrollPos(switches_[index], SB_CTL, state.switch_position, TRUE);
            break;
        // The switch stands for the slot's mode selector, the edit button for its equation
        // box: the rows start-up hides or disables for an instrument go with them.
        case PanelField::ModeEnabled:
            ::EnableWindow(switches_[index], state.mode_enabled);
            break;
        case PanelField::ModeVisible:
            ::ShowWindow(switches_[index], state.mode_visible ? SW_SHOWNA : SW_HIDE);
            break;
        case PanelField::EditEnabled:
        case PanelField::EquationEnabled:
            ::EnableWindow(edit_buttons_[index], state.edit_enabled && state.equation_enabled);
            break;
        case PanelField::EquationVisible:
            ::ShowWindow(edit_buttons_[index], state.equation_visible ? SW_SHOWNA : SW_HIDE);
            break;
        default:
            break;
    }
}

void Win32MainWindow::ShowDataWindow() {
    const std::string text = panel_.DataWindowText();
    if (WindowText(data_window_) != text) {
        showing_ = true;
        ::SetWindowTextW(data_window_, WideText(text).c_str());
        showing_ = false;
    }
    ::EnableWindow(data_window_, panel_.DataWindowEnabled());
}

void Win32MainWindow::SetTimersByHand(bool by_hand) {
    timers_by_hand_ = by_hand;
    if (by_hand) {
        StopTimers();
    } else {
        ShowTimers();
    }
}

void Win32MainWindow::ShowTimers() {
    if (closed_ || ending_ || timers_by_hand_) {
        return;
    }
    if (panel_.ScanTimerEnabled()) {
        scan_ticks_->Start();
    } else {
        scan_ticks_->Stop();
    }
    const auto sync = [this](bool& running, bool enabled, UINT_PTR id,
                             std::chrono::milliseconds period) {
        if (enabled && !running) {
            running = ::SetTimer(window_, id, static_cast<UINT>(period.count()), nullptr) != 0;
        } else if (!enabled && running) {
            ::KillTimer(window_, id);
            running = false;
        }
    };
    sync(alarm_timer_, panel_.AlarmTimerEnabled(), control_ids::kAlarmTimerId, kAlarmTimerPeriod);
    sync(keep_alive_timer_, panel_.KeepAliveTimerEnabled(), control_ids::kKeepAliveTimerId,
         kKeepAliveTimerPeriod);
}

void Win32MainWindow::StopTimers() {
    if (scan_ticks_) {
        scan_ticks_->Stop();
    }
    ::KillTimer(window_, control_ids::kAlarmTimerId);
    ::KillTimer(window_, control_ids::kKeepAliveTimerId);
    alarm_timer_ = false;
    keep_alive_timer_ = false;
}

void Win32MainWindow::ShowGeometry() {
    FitWindow({TwipsToPixels(panel_.WindowLeft(), dpi_), TwipsToPixels(panel_.WindowTop(), dpi_)});
}

// The window at `position` with the Panel's client size. The frame is sized for the window's
// density first; where the system draws it otherwise (older Windows, Wine), the size is then
// corrected by what the client area really got.
void Win32MainWindow::FitWindow(POINT position) {
    const SIZE client{TwipsToPixels(panel_.WindowWidth() - kFrameWidth, dpi_),
                      TwipsToPixels(panel_.WindowHeight() - kFrameHeight, dpi_)};
    SIZE outer = OuterSize(client, kWindowStyle, kWindowExtendedStyle, dpi_);
    RECT frame;
    ::GetWindowRect(window_, &frame);
    RECT inside;
    ::GetClientRect(window_, &inside);
    if (frame.left == position.x && frame.top == position.y && inside.right == client.cx &&
        inside.bottom == client.cy) {
        return;
    }
    showing_ = true;
    ::SetWindowPos(window_, nullptr, position.x, position.y, outer.cx, outer.cy,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    ::GetClientRect(window_, &inside);
    if (inside.right != client.cx || inside.bottom != client.cy) {
        outer.cx += client.cx - inside.right;
        outer.cy += client.cy - inside.bottom;
        ::SetWindowPos(window_, nullptr, 0, 0, outer.cx, outer.cy,
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    showing_ = false;
}

void Win32MainWindow::ShowTitle() {
    const std::string& status = panel_.Status();
    const std::string title = status.empty() ? panel_.Caption() : panel_.Caption() + " - " + status;
    ::SetWindowTextW(window_, WideText(title).c_str());
    SetToolTip(start_stop_, status);
}

}  // namespace quillon
