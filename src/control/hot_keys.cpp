// SPDX-License-Identifier: MIT
#include "control/hot_keys.hpp"

namespace quillon {
namespace {

constexpr int kSpaceKey = 0x20;  // the space bar's virtual-key code

}  // namespace

void HotKeys::Poll() {
    if (!panel_.GlobalKeys()) {
        return;
    }
    // Both states are read, in this order, before either is looked at.
    const bool first = keys_.IsHeld(settings_.hot_key[0]);
    const bool second = keys_.IsHeld(settings_.hot_key[1]);
    if (!(first && second)) {
        return;
    }
    for (int output = 0; output < kOutputCount; ++output) {
        PollOutput(output);
    }
    if (keys_.IsHeld(kSpaceKey)) {
        acknowledge_all_();
    }
}

// The true key wins; the false key is read only when the true key is not held.
void HotKeys::PollOutput(int output) {
    const auto index = static_cast<std::size_t>(output);
    if (keys_.IsHeld(settings_.dout_true_key[index])) {
        panel_.SetSwitchPosition(output, kForceSetPosition);
    } else if (keys_.IsHeld(settings_.dout_false_key[index])) {
        panel_.SetSwitchPosition(output, kForceResetPosition);
    }
}

}  // namespace quillon
