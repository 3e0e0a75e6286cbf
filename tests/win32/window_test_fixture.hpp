// SPDX-License-Identifier: MIT
#pragma once

#include "ui/win32/windows_api.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "fakes/fake_ports.hpp"
#include "fakes/recording_host.hpp"
#include "platform/win32/win32_locale.hpp"
#include "ui/win32/control_ids.hpp"
#include "ui/win32/win32_front_end.hpp"

namespace quillon::testing {

// A box the program showed, as the operator saw it.
struct ShownBox {
    std::wstring title;
    std::wstring text;      // a message box's text, an input box's prompt
    std::wstring fallback;  // an input box's default text
};

// Answers the thread's modal boxes as they open: message boxes with OK, input boxes with the
// next answer (no answer: Cancel).
class BoxAnswerer {
public:
    explicit BoxAnswerer(std::vector<std::optional<std::wstring>> answers = {});
    ~BoxAnswerer();
    BoxAnswerer(const BoxAnswerer&) = delete;
    BoxAnswerer& operator=(const BoxAnswerer&) = delete;

    std::vector<ShownBox> shown;

private:
    static LRESULT CALLBACK Hook(int code, WPARAM w, LPARAM l);
    void Answer(HWND box);

    std::vector<std::optional<std::wstring>> answers_;
    std::set<HWND> answered_;
    HHOOK hook_;
    static BoxAnswerer* current_;
};

// The real window on fake ports and a recording host, shown on the test's display.
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Start-up with the settings lines given: the window then runs, as after every start-up.
    void Load(const std::string& settings_lines = "");
    void Pump() { front_end_->DispatchWaitingMessages(); }
    // The window's messages for a while, with its real timers.
    void PumpFor(std::chrono::milliseconds time);

    HWND Window() { return front_end_->Window().Handle(); }
    HWND Control(int id) { return ::GetDlgItem(Window(), id); }
    Panel& GetPanel() { return front_end_->GetApplication().GetPanel(); }
    void Click(int id);
    void Type(HWND target, wchar_t character);
    void TickScan() { ::SendMessageW(Window(), control_ids::kScanTickMessage, 0, 0); }
    std::wstring Text(HWND control);
    // Where a child stands in the client area of the window.
    RECT ClientRect(HWND child);
    // Host calls of one dispatch id ("20"), whatever their argument.
    int Count(const std::string& call);

    RecordingHost host_;
    FakePorts ports_;
    Win32Locale locale_;  // the numbers in the boxes as the operator's Windows writes them
    std::unique_ptr<Win32FrontEnd> front_end_;
};

}  // namespace quillon::testing
