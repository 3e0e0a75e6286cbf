// SPDX-License-Identifier: MIT
#pragma once

#include "platform/key_state.hpp"

namespace quillon {

// For front ends without a keyboard of their own, such as the console: no key is ever held.
class NoKeyState final : public KeyState {
public:
    bool Available() const override { return false; }
    bool IsHeld(int) override { return false; }
};

}  // namespace quillon
