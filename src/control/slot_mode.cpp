// SPDX-License-Identifier: MIT
#include "control/slot_mode.hpp"

#include <array>
#include <utility>

namespace quillon {
namespace {

constexpr std::array<std::pair<SlotMode, std::string_view>, 4> kModeTexts = {{
    {SlotMode::Set, "Set"},
    {SlotMode::Reset, "Reset"},
    {SlotMode::ForceSet, "Force Set"},
    {SlotMode::ForceReset, "Force Reset"},
}};

}  // namespace

SlotMode ModeOf(std::string_view text) {
    for (const auto& [mode, mode_text] : kModeTexts) {
        if (text == mode_text) {
            return mode;
        }
    }
    return SlotMode::Reset;
}

std::string ModeText(SlotMode mode) {
    for (const auto& [known, text] : kModeTexts) {
        if (known == mode) {
            return std::string(text);
        }
    }
    return "Reset";
}

}  // namespace quillon
