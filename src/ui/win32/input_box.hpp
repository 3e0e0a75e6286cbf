// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <string>

#include "ui/win32/windows_api.hpp"

namespace quillon {

// The controls of the input box, for whoever answers it (the tests do).
inline constexpr int kInputBoxPromptId = 1001;
inline constexpr int kInputBoxTextId = 1002;

// A modal one-line input box (prompt, title, a text field with a default, OK and Cancel),
// built from a dialog template in memory. No value when the operator cancels.
std::optional<std::wstring> ShowInputBox(HWND owner, const std::wstring& prompt,
                                         const std::wstring& title, const std::wstring& fallback);

}  // namespace quillon
