// SPDX-License-Identifier: MIT
#pragma once

#include <string>

#include "panel/panel.hpp"
#include "platform/prompter.hpp"

namespace quillon {

// The edit button of a slot: an input box with the slot's equation as its default. The answer
// is stored as typed; an empty answer or a cancel changes nothing. Nothing is validated here:
// Start does that.
void EditEquation(int slot, Panel& panel, Prompter& prompter);

std::string EquationEditorTitle(int slot);
std::string EquationEditorPrompt(const Panel& panel);

}  // namespace quillon
