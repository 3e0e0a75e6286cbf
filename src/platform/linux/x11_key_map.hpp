// SPDX-License-Identifier: MIT
#pragma once

#include <vector>

namespace quillon {

// The X keysyms that stand for a Windows virtual-key code: one for most keys, both sides for
// the Shift, Ctrl and Alt codes that mean either key. Empty for a code without a mapping.
std::vector<unsigned long> KeysymsForVirtualKey(int windows_virtual_key);

}  // namespace quillon
