// SPDX-License-Identifier: MIT
#include "control/mode_switch.hpp"

namespace quillon {

int SwitchPositionForMode(const std::string& mode) {
    switch (ModeOf(mode)) {
        case SlotMode::ForceSet:
            return kForceSetPosition;
        case SlotMode::ForceReset:
            return kForceResetPosition;
        default:
            return kEquationPosition;
    }
}

void ModeSwitch::SwitchChanged(int slot) {
    switch (panel_.Slot(slot).switch_position) {
        case kForceSetPosition:
            panel_.SetMode(slot, ModeText(SlotMode::ForceSet));
            break;
        case kEquationPosition:
            panel_.SetMode(slot, ModeText(SlotMode::Set));
            break;
        case kForceResetPosition:
            panel_.SetMode(slot, ModeText(SlotMode::ForceReset));
            break;
        default:
            break;
    }
    UpdateKeepAliveTimer(panel_);
}

void UpdateKeepAliveTimer(Panel& panel) {
    const SlotMode mode = ModeOf(panel.Slot(kEmailSlot).mode);
    panel.SetKeepAliveTimerEnabled(mode == SlotMode::Set || mode == SlotMode::ForceSet);
}

}  // namespace quillon
