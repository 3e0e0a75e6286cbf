// SPDX-License-Identifier: MIT
#pragma once

#include <string>

#include "platform/key_state.hpp"

// Xlib's Display, kept out of this header with Xlib's macros; the name is Xlib's.
struct _XDisplay;  // NOLINT(bugprone-reserved-identifier)

namespace quillon {

// The keyboard of an X display, read with XQueryKeymap whichever window has the focus.
// Windows virtual-key codes are mapped to keysyms and those to the display's key codes.
class X11KeyState final : public KeyState {
public:
    // The display named, or $DISPLAY when empty; without one the keyboard is unavailable.
    explicit X11KeyState(const std::string& display_name = "");
    ~X11KeyState() override;
    X11KeyState(const X11KeyState&) = delete;
    X11KeyState& operator=(const X11KeyState&) = delete;

    bool Available() const override { return display_ != nullptr; }
    bool IsHeld(int windows_virtual_key) override;

private:
    _XDisplay* display_ = nullptr;
};

}  // namespace quillon
