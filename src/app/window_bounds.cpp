// SPDX-License-Identifier: MIT
#include "app/window_bounds.hpp"

namespace quillon {

WindowSize BoundWindowSize(WindowSize size) {
    constexpr int kMinWidth = 480;
    constexpr int kMaxWidth = 9240;
    constexpr int kMaxHeight = 5505;
    if (size.width < kMinWidth) {
        size.width = kMinWidth;
    }
    if (size.width > kMaxWidth) {
        size.width = kMaxWidth;
    }
    if (size.height > kMaxHeight) {
        size.height = kMaxHeight;
    }
    return size;
}

}  // namespace quillon
