// SPDX-License-Identifier: MIT
#include "platform/linux/x11_key_state.hpp"

#include <X11/Xlib.h>

#include "platform/linux/x11_key_map.hpp"

namespace quillon {
namespace {

bool KeycodeHeld(const char (&keys)[32], KeyCode code) {
    return code != 0 && (keys[code / 8] & (1 << (code % 8))) != 0;
}

}  // namespace

X11KeyState::X11KeyState(const std::string& display_name)
    : display_(XOpenDisplay(display_name.empty() ? nullptr : display_name.c_str())) {}

X11KeyState::~X11KeyState() {
    if (display_ != nullptr) {
        XCloseDisplay(display_);
    }
}

bool X11KeyState::IsHeld(int windows_virtual_key) {
    if (display_ == nullptr) {
        return false;
    }
    const std::vector<unsigned long> keysyms = KeysymsForVirtualKey(windows_virtual_key);
    if (keysyms.empty()) {
        return false;
    }
    char keys[32] = {};
    XQueryKeymap(display_, keys);
    for (const unsigned long keysym : keysyms) {
        if (KeycodeHeld(keys, XKeysymToKeycode(display_, keysym))) {
            return true;
        }
    }
    return false;
}

}  // namespace quillon
