// SPDX-License-Identifier: MIT
#pragma once

namespace quillon {

// What the equations of a run ask of every tick: how many scans back they look, and whether
// any window statistic is used.
struct TokenUse {
    int history_depth = 0;  // 0 to 26
    bool statistics_in_use = false;
};

}  // namespace quillon
