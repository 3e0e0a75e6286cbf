// SPDX-License-Identifier: MIT
#pragma once

#include <windows.h>

#include <string>

namespace quillon {

// Text at the Windows boundary: the system's words for an error code, and conversions between
// UTF-16 and the program's narrow text.
std::string SystemMessage(DWORD code);
std::string HresultText(HRESULT result);
std::string NarrowText(const wchar_t* text);
std::wstring WideText(const std::string& text);

}  // namespace quillon
