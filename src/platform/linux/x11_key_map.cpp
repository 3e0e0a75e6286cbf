// SPDX-License-Identifier: MIT
#include "platform/linux/x11_key_map.hpp"

#include <X11/keysym.h>

#include <map>

namespace quillon {
namespace {

// Windows virtual-key codes that are not letters, digits or function keys.
const std::map<int, std::vector<unsigned long>>& NamedKeys() {
    static const std::map<int, std::vector<unsigned long>> keys = {
        {8, {XK_BackSpace}},
        {9, {XK_Tab, XK_ISO_Left_Tab}},
        {13, {XK_Return, XK_KP_Enter}},
        {16, {XK_Shift_L, XK_Shift_R}},      // VK_SHIFT: either Shift
        {17, {XK_Control_L, XK_Control_R}},  // VK_CONTROL: either Ctrl
        // VK_MENU: either Alt; the right one is AltGr on many layouts.
        {18, {XK_Alt_L, XK_Alt_R, XK_ISO_Level3_Shift}},
        {19, {XK_Pause}},
        {20, {XK_Caps_Lock}},
        {27, {XK_Escape}},
        {32, {XK_space}},
        {33, {XK_Prior}},
        {34, {XK_Next}},
        {35, {XK_End}},
        {36, {XK_Home}},
        {37, {XK_Left}},
        {38, {XK_Up}},
        {39, {XK_Right}},
        {40, {XK_Down}},
        {45, {XK_Insert}},
        {46, {XK_Delete}},
        {91, {XK_Super_L}},
        {92, {XK_Super_R}},
        {93, {XK_Menu}},
        {106, {XK_KP_Multiply}},
        {107, {XK_KP_Add}},
        {109, {XK_KP_Subtract}},
        {110, {XK_KP_Decimal}},
        {111, {XK_KP_Divide}},
        {144, {XK_Num_Lock}},
        {145, {XK_Scroll_Lock}},
        {160, {XK_Shift_L}},
        {161, {XK_Shift_R}},
        {162, {XK_Control_L}},
        {163, {XK_Control_R}},
        {164, {XK_Alt_L}},
        {165, {XK_Alt_R, XK_ISO_Level3_Shift}},
    };
    return keys;
}

}  // namespace

std::vector<unsigned long> KeysymsForVirtualKey(int key) {
    if (key >= 'A' && key <= 'Z') {
        return {static_cast<unsigned long>(XK_a + (key - 'A'))};
    }
    if (key >= '0' && key <= '9') {
        return {static_cast<unsigned long>(XK_0 + (key - '0'))};
    }
    if (key >= 96 && key <= 105) {  // VK_NUMPAD0..9; the key code is the same without Num Lock
        return {static_cast<unsigned long>(XK_KP_0 + (key - 96))};
    }
    if (key >= 112 && key <= 135) {  // VK_F1..VK_F24
        return {static_cast<unsigned long>(XK_F1 + (key - 112))};
    }
    const auto found = NamedKeys().find(key);
    return found == NamedKeys().end() ? std::vector<unsigned long>{} : found->second;
}

}  // namespace quillon
