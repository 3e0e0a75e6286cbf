// SPDX-License-Identifier: MIT
#include "window_test_fixture.hpp"

#include <algorithm>

#include "platform/win32/message_pump.hpp"
#include "ui/win32/input_box.hpp"

namespace quillon::testing {

namespace {

// The id of the text in the system's message box.
constexpr int kMessageBoxTextId = 0xFFFF;

std::wstring TextOf(HWND window) {
    wchar_t text[1024] = {};
    ::GetWindowTextW(window, text, static_cast<int>(std::size(text)));
    return text;
}

}  // namespace

BoxAnswerer* BoxAnswerer::current_ = nullptr;

BoxAnswerer::BoxAnswerer(std::vector<std::optional<std::wstring>> answers)
    : answers_(std::move(answers)),
      hook_(::SetWindowsHookExW(WH_CBT, &BoxAnswerer::Hook, nullptr, ::GetCurrentThreadId())) {
    current_ = this;
}

BoxAnswerer::~BoxAnswerer() {
    ::UnhookWindowsHookEx(hook_);
    current_ = nullptr;
}

LRESULT CALLBACK BoxAnswerer::Hook(int code, WPARAM w, LPARAM l) {
    if (code == HCBT_ACTIVATE && current_ != nullptr) {
        current_->Answer(reinterpret_cast<HWND>(w));
    }
    return ::CallNextHookEx(nullptr, code, w, l);
}

void BoxAnswerer::Answer(HWND box) {
    wchar_t window_class[64] = {};
    ::GetClassNameW(box, window_class, static_cast<int>(std::size(window_class)));
    if (std::wstring(window_class) != L"#32770" || !answered_.insert(box).second) {
        return;
    }
    ShownBox seen{TextOf(box), {}, {}};
    HWND prompt = ::GetDlgItem(box, kInputBoxPromptId);
    if (prompt == nullptr) {
        seen.text = TextOf(::GetDlgItem(box, kMessageBoxTextId));
        shown.push_back(seen);
        ::PostMessageW(box, WM_COMMAND, IDOK, 0);
        return;
    }
    seen.text = TextOf(prompt);
    HWND field = ::GetDlgItem(box, kInputBoxTextId);
    seen.fallback = TextOf(field);
    shown.push_back(seen);
    std::optional<std::wstring> answer;
    if (!answers_.empty()) {
        answer = answers_.front();
        answers_.erase(answers_.begin());
    }
    if (answer) {
        ::SetWindowTextW(field, answer->c_str());
    }
    ::PostMessageW(box, WM_COMMAND, answer ? IDOK : IDCANCEL, 0);
}

void WindowTest::SetUp() {
    front_end_ = std::make_unique<Win32FrontEnd>(Win32FrontEndPorts{
        host_, ports_.profiles, locale_, ports_.clock, ports_.sound, ports_.launcher, ports_.keys});
    front_end_->Window().SetTimersByHand(true);
    ::ShowWindow(Window(), SW_SHOWNOACTIVATE);
    Pump();
}

void WindowTest::TearDown() {
    front_end_.reset();
    DispatchWaitingMessages();
    // A closed window's quit is left queued for a main loop the tests do not run: the next
    // test must not find it.
    MSG quit;
    while (::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
}

void WindowTest::Load(const std::string& settings_lines) {
    ports_.StoreSettings(settings_lines);
    front_end_->Window().Load("");
    Pump();
}

void WindowTest::PumpFor(std::chrono::milliseconds time) {
    const auto end = std::chrono::steady_clock::now() + time;
    while (std::chrono::steady_clock::now() < end) {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        Pump();
    }
}

void WindowTest::Click(int id) {
    ::SendMessageW(Control(id), BM_CLICK, 0, 0);
    Pump();
}

void WindowTest::Type(HWND target, wchar_t character) {
    ::PostMessageW(target, WM_CHAR, character, 0);
    Pump();
}

std::wstring WindowTest::Text(HWND control) {
    return TextOf(control);
}

RECT WindowTest::ClientRect(HWND child) {
    RECT rect;
    ::GetWindowRect(child, &rect);
    ::MapWindowPoints(nullptr, Window(), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

int WindowTest::Count(const std::string& call) {
    return static_cast<int>(
        std::count_if(host_.calls.begin(), host_.calls.end(), [&call](const std::string& made) {
            return made == call || made.rfind(call + ":", 0) == 0;
        }));
}

}  // namespace quillon::testing
