// SPDX-License-Identifier: MIT
#include "ui/headless/console_printer.hpp"

#include <iomanip>
#include <ostream>
#include <sstream>

#include "host/output_write_text.hpp"
#include "ui/headless/timestamp.hpp"

namespace quillon {
namespace {

std::string SlotName(int slot) {
    if (slot == kAudioSlot) {
        return "audio alarm";
    }
    if (slot == kEmailSlot) {
        return "e-mail alarm";
    }
    return "D" + std::to_string(slot);
}

std::string ColourName(Colour colour) {
    switch (colour) {
        case kLampActive:
            return "red (on)";
        case kLampInactive:
            return "green (off)";
        case kLampNeutral:
            return "neutral";
        default: {
            std::ostringstream text;
            text << "colour " << std::hex << std::setw(8) << std::setfill('0') << colour;
            return text.str();
        }
    }
}

}  // namespace

ConsolePrinter::ConsolePrinter(const Panel& panel, std::ostream& out, std::ostream& err)
    : panel_(panel), out_(out), err_(err) {}

void ConsolePrinter::Line(const std::string& text) {
    out_ << Timestamp() << ' ' << text << std::endl;
}

void ConsolePrinter::PanelChanged(PanelField field, int slot) {
    switch (field) {
        case PanelField::LampColour:
            Line("lamp " + SlotName(slot) + " " + ColourName(panel_.Slot(slot).lamp));
            break;
        case PanelField::Mode:
            Line("mode " + SlotName(slot) + " \"" + panel_.Slot(slot).mode + "\"");
            break;
        case PanelField::Latched:
            Line("lamp " + SlotName(slot) +
                 (panel_.Slot(slot).latched ? " latched" : " latch acknowledged"));
            break;
        case PanelField::StartStopCaption:
            Line(panel_.StartStopCaption() == "Stop" ? "running" : "stopped");
            break;
        case PanelField::Status:
            if (!panel_.Status().empty()) {
                err_ << Timestamp() << " status: " << panel_.Status() << std::endl;
            }
            break;
        // Every field is named, so that a new one is a compiler warning here: the console
        // says what an operator would see change, and the rest is the window's.
        case PanelField::ModeEnabled:
        case PanelField::ModeVisible:
        case PanelField::Equation:
        case PanelField::EquationEnabled:
        case PanelField::EquationVisible:
        case PanelField::LampVisible:
        case PanelField::SwitchPosition:
        case PanelField::EditEnabled:
        case PanelField::ManualOutput:
        case PanelField::MathMode:
        case PanelField::GlobalKeys:
        case PanelField::DataWindowText:
        case PanelField::QuickReferenceEnabled:
        case PanelField::Timers:
        case PanelField::WindowGeometry:
        case PanelField::Caption:
            break;
    }
}

void ConsolePrinter::OutputWritten(double seconds, std::int16_t word) {
    Line("output written: " + OutputWriteText(seconds, word));
}

}  // namespace quillon
