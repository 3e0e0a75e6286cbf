// SPDX-License-Identifier: MIT
#include "ui/win32/win32_prompter.hpp"

#include "platform/win32/com_text.hpp"
#include "ui/win32/input_box.hpp"

namespace quillon {

namespace {

constexpr const char* kDefaultTitle = "Quillon";

std::wstring TitleOrDefault(const std::string& title) {
    return WideText(title.empty() ? kDefaultTitle : title);
}

}  // namespace

void ShowMessageBox(HWND owner, MessageIcon icon, const std::string& text,
                    const std::string& title) {
    const UINT style = icon == MessageIcon::Critical ? MB_ICONERROR : MB_ICONINFORMATION;
    ::MessageBoxW(owner, WideText(text).c_str(), TitleOrDefault(title).c_str(),
                  MB_OK | style | MB_SETFOREGROUND);
}

void Win32Prompter::MessageBox(MessageIcon icon, const std::string& text,
                               const std::string& title) {
    ShowMessageBox(owner_, icon, text, title);
}

std::optional<std::string> Win32Prompter::InputBox(const std::string& prompt,
                                                   const std::string& title,
                                                   const std::string& fallback) {
    const std::optional<std::wstring> answer =
        ShowInputBox(owner_, WideText(prompt), TitleOrDefault(title), WideText(fallback));
    if (!answer) {
        return std::nullopt;
    }
    return NarrowText(answer->c_str());
}

}  // namespace quillon
