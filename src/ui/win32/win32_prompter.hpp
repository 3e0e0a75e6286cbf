// SPDX-License-Identifier: MIT
#pragma once

#include "platform/prompter.hpp"
#include "ui/win32/windows_api.hpp"

namespace quillon {

// The system's message box and the window's input box, owned by the main window. Texts are
// the program's (the ANSI code page's bytes) and become UTF-16 here, once.
class Win32Prompter final : public Prompter {
public:
    void SetOwner(HWND owner) { owner_ = owner; }

    void MessageBox(MessageIcon icon, const std::string& text, const std::string& title) override;
    std::optional<std::string> InputBox(const std::string& prompt, const std::string& title,
                                        const std::string& fallback) override;

private:
    HWND owner_ = nullptr;
};

// A message box that needs no prompter: start-up failures, --help.
void ShowMessageBox(HWND owner, MessageIcon icon, const std::string& text,
                    const std::string& title);

}  // namespace quillon
