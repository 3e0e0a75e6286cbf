// SPDX-License-Identifier: MIT
#include "platform/win32/win32_key_state.hpp"

#include <windows.h>

namespace quillon {

bool Win32KeyState::IsHeld(int windows_virtual_key) {
    // The high bit is the key's state now; the low bit (pressed since the last call) is
    // unreliable and not used.
    return (static_cast<unsigned short>(::GetAsyncKeyState(windows_virtual_key)) & 0x8000U) != 0;
}

}  // namespace quillon
