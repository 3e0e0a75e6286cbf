// SPDX-License-Identifier: MIT
#include "control/mode_switch.hpp"

namespace quillon {

int SwitchPositionForMode(const std::string& mode) {
    if (mode == kModeForceSet) {
        return kForceSetPosition;
    }
    if (mode == kModeForceReset) {
        return kForceResetPosition;
    }
    return kEquationPosition;
}

void ModeSwitch::SwitchChanged(int slot) {
    switch (panel_.Slot(slot).switch_position) {
        case kForceSetPosition:
            panel_.SetMode(slot, kModeForceSet);
            break;
        case kEquationPosition:
            panel_.SetMode(slot, kModeSet);
            break;
        case kForceResetPosition:
            panel_.SetMode(slot, kModeForceReset);
            break;
        default:
            break;
    }
    UpdateKeepAliveTimer();
}

void ModeSwitch::UpdateKeepAliveTimer() {
    const std::string& mode = panel_.Slot(kEmailSlot).mode;
    panel_.SetKeepAliveTimerEnabled(mode == kModeSet || mode == kModeForceSet);
}

}  // namespace quillon
