// SPDX-License-Identifier: MIT
#pragma once

#include "platform/key_state.hpp"

namespace quillon {

// The keyboard as Windows sees it, whichever program has the focus.
class Win32KeyState final : public KeyState {
public:
    bool Available() const override { return true; }
    bool IsHeld(int windows_virtual_key) override;
};

}  // namespace quillon
