// SPDX-License-Identifier: MIT
#include "panel/window_layout.hpp"

#include "panel/panel.hpp"

namespace quillon::layout {

namespace {

constexpr int kLampTop = 120;
constexpr int kLampSize = 255;
constexpr int kSwitchTop = 480;
constexpr int kSwitchWidth = 255;
constexpr int kSwitchHeight = 975;
constexpr int kEditTop = 1680;
constexpr int kEditHeight = 495;
// The alarm slots' picture buttons are wider and start a little further left.
constexpr int kPictureButtonWidth = 315;
constexpr int kPictureButtonOffset = 30;

// The left edge of slot i's lamp and switch.
int SlotLeft(int slot) {
    if (slot < kOutputCount) {
        return 120 + 480 * slot;
    }
    return slot == kAudioSlot ? 3960 : 4440;
}

}  // namespace

TwipsRect Lamp(int slot) {
    return {SlotLeft(slot), kLampTop, kLampSize, kLampSize};
}

TwipsRect ModeSwitch(int slot) {
    return {SlotLeft(slot), kSwitchTop, kSwitchWidth, kSwitchHeight};
}

TwipsRect EditEquation(int slot) {
    if (slot < kOutputCount) {
        return {SlotLeft(slot), kEditTop, kSwitchWidth, kEditHeight};
    }
    return {SlotLeft(slot) - kPictureButtonOffset, kEditTop, kPictureButtonWidth, kEditHeight};
}

std::string EditEquationToolTip(int slot) {
    if (slot == kAudioSlot) {
        return "Logical Equation for Audio Alarm (PROG Mode)";
    }
    if (slot == kEmailSlot) {
        return "Logical Equation for Email Alarm (PROG Mode)";
    }
    return "Logical Equation for Digital Output " + std::to_string(slot) + " (PROG Mode)";
}

std::array<TabStop, 26> TabOrder() {
    std::array<TabStop, 26> order{};
    std::size_t next = 0;
    const auto add = [&order, &next](FocusStop control, int slot) {
        order[next++] = {control, slot};
    };
    add(FocusStop::StartStop, -1);
    add(FocusStop::QuickReference, -1);
    add(FocusStop::DataWindow, -1);
    add(FocusStop::AlarmSettings, -1);
    for (int slot = 0; slot <= kAudioSlot; ++slot) {
        add(FocusStop::ModeSwitch, slot);
    }
    for (int slot = 0; slot <= kAudioSlot; ++slot) {
        add(FocusStop::EditEquation, slot);
    }
    add(FocusStop::GlobalKeys, -1);
    add(FocusStop::ModeSwitch, kEmailSlot);
    add(FocusStop::EditEquation, kEmailSlot);
    add(FocusStop::EmailSettings, -1);
    return order;
}

}  // namespace quillon::layout
