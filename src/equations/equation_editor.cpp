// SPDX-License-Identifier: MIT
#include "equations/equation_editor.hpp"

namespace quillon {

std::string EquationEditorTitle(int slot) {
    if (slot == kAudioSlot) {
        return "Logical Equation for Audio Alarm";
    }
    if (slot == kEmailSlot) {
        return "Logical Equation for Email Alarm";
    }
    return "Logical Equation for DOUT " + std::to_string(slot);
}

// Two carriage returns, no line feeds, between the sentences.
std::string EquationEditorPrompt(const Panel& panel) {
    return "Please note that the channel number used in the math expression is a 0-based index "
           "to WinDaq's scanlist.\r\rThe current data window for advanced math functions is " +
           panel.DataWindowText();
}

void EditEquation(int slot, Panel& panel, Prompter& prompter) {
    const auto answer = prompter.InputBox(EquationEditorPrompt(panel), EquationEditorTitle(slot),
                                          panel.Slot(slot).equation);
    if (answer && !answer->empty()) {
        panel.SetEquation(slot, *answer);
    }
}

}  // namespace quillon
