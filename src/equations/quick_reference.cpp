// SPDX-License-Identifier: MIT
#include "equations/quick_reference.hpp"

namespace quillon {
namespace {

constexpr const char* kLineEnd = "\r\n";

std::string Lines(std::initializer_list<std::pair<const char*, const char*>> rows) {
    std::string text;
    for (const auto& [left, description] : rows) {
        text += std::string(left) + "\t" + description + kLineEnd;
    }
    return text;
}

std::string OperatorsText() {
    return Lines({{"+    ", "Addition"},
                  {"-    ", "Subtraction and unary minus"},
                  {"*    ", "Multiplication"},
                  {"/    ", "Division"},
                  {"^    ", "Power"},
                  {"%    ", "Modulo"},
                  {"&    ", "Logical AND"},
                  {"|    ", "Logical OR"},
                  {"!    ", "Logical NOT"},
                  {">, >=", "Greater or equal"},
                  {"<, <=", "Smaller or equal"},
                  {"!=", "Not equal"},
                  {"==", "Equal"}});
}

std::string FunctionsText() {
    return Lines({{"abs           ", "absolute"},
                  {"round         ", "rounded"},
                  {"floor         ", "floor"},
                  {"ceil          ", "ceiling"},
                  {"bin           ", "convert binary to decimal"},
                  {"hex           ", "convert hex to decimal"},
                  {"avg(x,y,z,...)", "average"},
                  {"log           ", "logarithm (base e)"},
                  {"log10         ", "logarithm (base 10)"},
                  {"sqrt          ", "square root"},
                  {"sum(x,y,z,...)", "sum of"},
                  {"max(x,y,z,...)", "max"}});
}

// The e-mail equation is not listed.
std::string EquationsText(const Panel& panel) {
    std::string text;
    for (int slot = 0; slot < kOutputCount; ++slot) {
        text += "D" + std::to_string(slot) + "=" + panel.Slot(slot).equation + kLineEnd;
    }
    return text + "Sound=" + panel.Slot(kAudioSlot).equation + kLineEnd;
}

}  // namespace

std::array<QuickReferenceBox, 3> QuickReferenceBoxes(const Panel& panel) {
    return {QuickReferenceBox{"Math Operators", OperatorsText()},
            QuickReferenceBox{"Math Functions", FunctionsText()},
            QuickReferenceBox{"Logical Functions", EquationsText(panel)}};
}

void ShowQuickReference(const Panel& panel, Prompter& prompter) {
    for (const QuickReferenceBox& box : QuickReferenceBoxes(panel)) {
        prompter.MessageBox(MessageIcon::Information, box.text, box.title);
    }
}

}  // namespace quillon
