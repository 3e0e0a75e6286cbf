// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <string>

#include "panel/panel.hpp"
#include "platform/prompter.hpp"

namespace quillon {

struct QuickReferenceBox {
    std::string title;
    std::string text;
};

// The three boxes of the quick reference: operators, functions, and the current equations of
// the outputs and the audio alarm.
std::array<QuickReferenceBox, 3> QuickReferenceBoxes(const Panel& panel);

// Shows them one after the other.
void ShowQuickReference(const Panel& panel, Prompter& prompter);

}  // namespace quillon
