// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

#include "events/event_file.hpp"

namespace quillon::testing {

// Keeps every block appended, one entry per write call; takes nothing while `failure` is set.
class MemoryEventFile final : public EventFile {
public:
    std::vector<std::string> writes;
    std::string failure;

    std::size_t Append(std::string_view bytes, std::string& error) override {
        if (!failure.empty()) {
            error = failure;
            return 0;
        }
        writes.emplace_back(bytes);
        return bytes.size();
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
