// SPDX-License-Identifier: MIT
#pragma once

namespace quillon {

// The cycle's and the manual output words share it: the next write of either goes out even
// when its word did not change (set by Start and Stop, cleared by every write).
struct ForceWrite {
    bool pending = false;
};

}  // namespace quillon
