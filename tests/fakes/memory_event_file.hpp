// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

#include "events/event_file.hpp"

namespace quillon::testing {

// Keeps every block appended, one entry per write call; fails with `failure` while it is set.
class MemoryEventFile final : public EventFile {
public:
    std::vector<std::string> writes;
    std::string failure;

    bool Append(std::string_view bytes, std::string& error) override {
        if (!failure.empty()) {
            error = failure;
            return false;
        }
        writes.emplace_back(bytes);
        return true;
    }
    std::string Name() const override { return "memory"; }

    std::string Text() const {
        std::string text;
        for (const std::string& block : writes) {
            text += block;
        }
        return text;
    }
};

}  // namespace quillon::testing
