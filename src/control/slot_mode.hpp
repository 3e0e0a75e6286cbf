// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>

namespace quillon {

// A slot's mode as the cycle acts on it. The mode selector holds text, stored as such in the
// settings file; it is read as a mode only here, exactly and case-sensitively, and text that
// names no mode acts as Reset while it stays as it was.
enum class SlotMode { Set, Reset, ForceSet, ForceReset };

SlotMode ModeOf(std::string_view text);
// "Set", "Reset", "Force Set", "Force Reset".
std::string ModeText(SlotMode mode);

}  // namespace quillon
