// SPDX-License-Identifier: MIT
#include "panel/panel.hpp"

#include <algorithm>

namespace quillon {

Panel::Panel() {
    for (int slot = 0; slot < kSlotCount; ++slot) {
        MutableSlot(slot).lamp = DesignLampColour(slot);
        MutableSlot(slot).switch_position =
            slot < kOutputCount ? kForceSetPosition : kEquationPosition;
    }
}

void Panel::AddObserver(PanelObserver* observer) {
    observers_.push_back(observer);
}

void Panel::RemoveObserver(PanelObserver* observer) {
    observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
}

template <typename T>
bool Panel::Assign(T& field, const T& value, PanelField what, int slot) {
    if (field == value) {
        return false;
    }
    field = value;
    Notify(what, slot);
    return true;
}

void Panel::Notify(PanelField what, int slot) {
    // Copy: an observer may remove itself while being told.
    const auto observers = observers_;
    for (PanelObserver* observer : observers) {
        observer->PanelChanged(what, slot);
    }
}

void Panel::SetMode(int slot, const std::string& mode) {
    Assign(MutableSlot(slot).mode, mode, PanelField::Mode, slot);
}
void Panel::SetModeEnabled(int slot, bool enabled) {
    Assign(MutableSlot(slot).mode_enabled, enabled, PanelField::ModeEnabled, slot);
}
void Panel::SetModeVisible(int slot, bool visible) {
    Assign(MutableSlot(slot).mode_visible, visible, PanelField::ModeVisible, slot);
}
void Panel::SetEquation(int slot, const std::string& equation) {
    if (Slot(slot).equation != equation) {
        ++equation_revision_;  // before the observers hear of it
    }
    Assign(MutableSlot(slot).equation, equation, PanelField::Equation, slot);
}
void Panel::SetEquationEnabled(int slot, bool enabled) {
    Assign(MutableSlot(slot).equation_enabled, enabled, PanelField::EquationEnabled, slot);
}
void Panel::SetEquationVisible(int slot, bool visible) {
    Assign(MutableSlot(slot).equation_visible, visible, PanelField::EquationVisible, slot);
}
void Panel::SetLampColour(int slot, Colour colour) {
    Assign(MutableSlot(slot).lamp, colour, PanelField::LampColour, slot);
}
void Panel::SetLampVisible(int slot, bool visible) {
    Assign(MutableSlot(slot).lamp_visible, visible, PanelField::LampVisible, slot);
}
void Panel::SetLatched(int slot, bool latched) {
    Assign(MutableSlot(slot).latched, latched, PanelField::Latched, slot);
}
void Panel::SetEditEnabled(int slot, bool enabled) {
    Assign(MutableSlot(slot).edit_enabled, enabled, PanelField::EditEnabled, slot);
}

void Panel::SetSwitchPosition(int slot, int position) {
    // A scroll bar keeps its value inside its minimum and maximum.
    position = std::clamp(position, kForceSetPosition, kForceResetPosition);
    if (Assign(MutableSlot(slot).switch_position, position, PanelField::SwitchPosition, slot) &&
        handlers_ != nullptr) {
        handlers_->SwitchChanged(slot);
    }
}

void Panel::SetManualOutput(int output, int value) {
    if (output < 0 || output >= kOutputCount) {
        return;
    }
    if (Assign(MutableSlot(output).manual_output, value, PanelField::ManualOutput, output) &&
        handlers_ != nullptr) {
        handlers_->ManualOutputChanged(output);
    }
}

void Panel::SetStartStopCaption(const std::string& caption) {
    Assign(start_stop_caption_, caption, PanelField::StartStopCaption, -1);
}
void Panel::SetMathMode(int value) {
    Assign(math_mode_, value, PanelField::MathMode, -1);
}
void Panel::SetMathModeEnabled(bool enabled) {
    Assign(math_mode_enabled_, enabled, PanelField::MathMode, -1);
}
void Panel::SetGlobalKeys(bool checked) {
    Assign(global_keys_, checked, PanelField::GlobalKeys, -1);
}
void Panel::SetDataWindowText(const std::string& text) {
    Assign(data_window_text_, text, PanelField::DataWindowText, -1);
}
void Panel::SetDataWindowEnabled(bool enabled) {
    Assign(data_window_enabled_, enabled, PanelField::DataWindowText, -1);
}
void Panel::SetQuickReferenceEnabled(bool enabled) {
    Assign(quick_reference_enabled_, enabled, PanelField::QuickReferenceEnabled, -1);
}
void Panel::SetTimer(int index, bool enabled) {
    Assign(timers_[static_cast<std::size_t>(index)], enabled, PanelField::Timers, index);
}
void Panel::SetCaption(const std::string& caption) {
    Assign(caption_, caption, PanelField::Caption, -1);
}
void Panel::SetStatus(const std::string& status) {
    Assign(status_, status, PanelField::Status, -1);
}

void Panel::SetWindowPosition(int left, int top) {
    if (left == left_ && top == top_) {
        return;
    }
    left_ = left;
    top_ = top;
    Notify(PanelField::WindowGeometry, -1);
}

void Panel::SetWindowSize(int width, int height) {
    if (width == width_ && height == height_) {
        return;
    }
    width_ = width;
    height_ = height;
    Notify(PanelField::WindowGeometry, -1);
}

}  // namespace quillon
