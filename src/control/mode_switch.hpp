// SPDX-License-Identifier: MIT
#pragma once

#include <string>

#include "panel/panel.hpp"

namespace quillon {

inline const std::string kModeSet = "Set";
inline const std::string kModeReset = "Reset";
inline const std::string kModeForceSet = "Force Set";
inline const std::string kModeForceReset = "Force Reset";

// The position a loaded mode text puts the switch at.
int SwitchPositionForMode(const std::string& mode);

// The change handling of the three-position switches: a new position sets the slot's mode,
// and every change re-evaluates the keep-alive timer from the e-mail slot's mode.
class ModeSwitch {
public:
    explicit ModeSwitch(Panel& panel) : panel_(panel) {}
    void SwitchChanged(int slot);
    // Timer3 runs while the e-mail slot is in "Set" or "Force Set".
    void UpdateKeepAliveTimer();

private:
    Panel& panel_;
};

}  // namespace quillon
