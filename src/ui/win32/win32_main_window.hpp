// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>

#include "panel/panel.hpp"
#include "panel/panel_observer.hpp"
#include "panel/window_layout.hpp"
#include "ui/win32/scan_tick_source.hpp"
#include "ui/win32/windows_api.hpp"

namespace quillon {

class Application;

// The Quillon window on Windows: draws the Application's Panel in the twips layout at the window's
// own DPI and forwards every user action and timer tick to the Application, on the window's thread.
class Win32MainWindow final : public PanelObserver {
public:
    explicit Win32MainWindow(Application& application);
    ~Win32MainWindow() override;
    Win32MainWindow(const Win32MainWindow&) = delete;
    Win32MainWindow& operator=(const Win32MainWindow&) = delete;

    HWND Handle() const { return window_; }
    HWND ToolTips() const { return tool_tips_; }
    int Dpi() const { return dpi_; }

    // Start-up with the command line after the program name; a failure is shown in a box and
    // the window then closes without saving.
    void Load(const std::string& argument_text);
    bool StartupFailed() const { return startup_failed_; }
    // The window is gone: closed by the operator, or because the host exited.
    bool Closed() const { return closed_; }
    // Tests tick the timers by hand: the window keeps following the Panel's timer states but
    // starts none of the system's timers.
    void SetTimersByHand(bool by_hand);
    // Work between ticks (the host's, finished e-mail agents), every 100 ms.
    void SetService(std::function<void()> service) { service_ = std::move(service); }
    // What opens the channels view: Ctrl+L, or the item of the window's context menu.
    void SetChannelsViewRequest(std::function<void()> request) {
        channels_view_request_ = std::move(request);
    }

    // Every message of the thread passes here before it is dispatched: typed characters reach
    // the Application first (key preview), then Tab and the arrow keys move the focus. True when
    // the message has been handled.
    bool PreviewMessage(MSG& message);

    void PanelChanged(PanelField field, int slot) override;

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM w, LPARAM l);
    LRESULT Handle(UINT message, WPARAM w, LPARAM l);

    void CreateControls();
    HWND CreateChild(const wchar_t* control_class, const wchar_t* text, DWORD style, int id);
    void AddToolTip(HWND control, const std::string& text);
    void SetToolTip(HWND control, const std::string& text);
    HWND FocusControl(const layout::TabStop& stop) const;
    void ApplyLayout();
    void Place(HWND control, const TwipsRect& place);

    template <typename Call>
    void Forward(Call&& call);
    void AfterApplicationCalls();
    void Tick(bool& busy, void (Application::*handler)());

    void Command(int id, int notification);
    void SwitchMoved(HWND scroll_bar, int request, int thumb);
    void DrawItem(const DRAWITEMSTRUCT& item);
    void DrawLamp(const DRAWITEMSTRUCT& item, int slot);
    void DrawPictureButton(const DRAWITEMSTRUCT& item);
    LRESULT LabelColours(HDC device, HWND control);
    void Paint();
    void DpiChanged(int dpi, const RECT& suggested);
    void Resized(SIZE client);
    void Moved();
    void CloseRequested();
    void ContextMenu(LPARAM where);
    void RequestChannelsView();

    void ShowAll();
    void ShowSlot(PanelField field, int slot);
    void ShowTimers();
    void ShowGeometry();
    void FitWindow(POINT position);
    void ShowTitle();
    void ShowDataWindow();
    void StopTimers();

    Application& application_;
    Panel& panel_;
    HWND window_ = nullptr;
    HWND tool_tips_ = nullptr;
    HFONT font_ = nullptr;
    HICON icon_ = nullptr;
    int dpi_ = kStandardDpi;

    std::array<HWND, kSlotCount> lamps_{};
    std::array<HWND, kSlotCount> switches_{};
    std::array<HWND, kSlotCount> edit_buttons_{};
    std::array<HWND, layout::kGuideLabels.size()> labels_{};
    HWND start_stop_ = nullptr;
    HWND data_window_ = nullptr;
    HWND quick_reference_ = nullptr;
    HWND global_keys_ = nullptr;
    HWND alarm_settings_ = nullptr;
    HWND email_settings_ = nullptr;

    std::unique_ptr<ScanTickSource> scan_ticks_;
    bool alarm_timer_ = false;
    bool keep_alive_timer_ = false;
    bool timers_by_hand_ = false;
    std::function<void()> service_;
    std::function<void()> channels_view_request_;

    int application_depth_ = 0;   // application calls on the stack (modal boxes nest them)
    bool close_pending_ = false;  // a close that came while an application call was on the stack
    bool ending_ = false;         // the host exited or start-up failed: close without Unload
    bool closed_ = false;
    bool startup_failed_ = false;
    bool scan_busy_ = false;
    bool alarm_busy_ = false;
    bool keep_alive_busy_ = false;
    bool showing_ = false;  // the window is being changed to show the Panel, not by the operator
};

}  // namespace quillon
