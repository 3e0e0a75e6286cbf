// SPDX-License-Identifier: MIT
#pragma once

#include <functional>

#include "control/operator_settings.hpp"
#include "panel/panel.hpp"
#include "platform/key_state.hpp"

namespace quillon {

// The global hot keys, polled at the start of every scan tick: while "Global Key" is checked
// and both HKey keys are held, DOUT n's true key forces it on and its false key forces it off.
class HotKeys {
public:
    HotKeys(Panel& panel, const OperatorSettings& settings, KeyState& keys)
        : panel_(panel), settings_(settings), keys_(keys) {}

    void Poll();
    // Ctrl+Alt+Space (the two hot-key modifiers and the space bar): acknowledge every latch.
    void SetAcknowledgeAll(std::function<void()> acknowledge_all) {
        acknowledge_all_ = std::move(acknowledge_all);
    }

private:
    void PollOutput(int output);

    Panel& panel_;
    const OperatorSettings& settings_;
    KeyState& keys_;
    std::function<void()> acknowledge_all_ = [] {};
};

}  // namespace quillon
