// SPDX-License-Identifier: MIT
#pragma once

#include <set>
#include <vector>

#include "platform/key_state.hpp"

namespace quillon::testing {

// A keyboard whose held keys a test sets; records every key asked about, in order.
class FakeKeyState final : public KeyState {
public:
    std::set<int> held;
    std::vector<int> asked;
    bool available = true;

    bool Available() const override { return available; }
    bool IsHeld(int key) override {
        asked.push_back(key);
        return available && held.count(key) > 0;
    }
};

}  // namespace quillon::testing
