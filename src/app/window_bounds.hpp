// SPDX-License-Identifier: MIT
#pragma once

namespace quillon {

struct WindowSize {
    int width;
    int height;
    bool operator==(const WindowSize&) const = default;
};

// The outer size, in twips, that the window is brought back to after a resize: width 480 to
// 9240, height at most 5505, no lower bound on the height.
WindowSize BoundWindowSize(WindowSize size);

}  // namespace quillon
