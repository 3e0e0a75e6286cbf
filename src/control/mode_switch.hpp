// SPDX-License-Identifier: MIT
#pragma once

#include <string>

#include "control/slot_mode.hpp"
#include "panel/panel.hpp"

namespace quillon {

// The position a loaded mode text puts the switch at.
int SwitchPositionForMode(const std::string& mode);

// The change handling of the three-position switches: a new position sets the slot's mode,
// and every change re-evaluates the keep-alive timer from the e-mail slot's mode.
class ModeSwitch {
public:
    explicit ModeSwitch(Panel& panel) : panel_(panel) {}
    void SwitchChanged(int slot);

private:
    Panel& panel_;
};

// Timer3 runs while the e-mail slot is in "Set" or "Force Set".
void UpdateKeepAliveTimer(Panel& panel);

}  // namespace quillon
