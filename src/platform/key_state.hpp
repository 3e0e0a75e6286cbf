// SPDX-License-Identifier: MIT
#pragma once

namespace quillon {

// The keyboard as a whole, whichever program has the focus: for the global hot keys.
class KeyState {
public:
    virtual ~KeyState() = default;
    // False when the keyboard cannot be read here; every key then reads as not held.
    virtual bool Available() const = 0;
    // Whether the key with this Windows virtual-key code is held down now.
    virtual bool IsHeld(int windows_virtual_key) = 0;
};

}  // namespace quillon
