// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/prompter.hpp"

namespace quillon::testing {

// Records every input box with its title and default; answers from a queue, then cancels.
class RecordingPrompter final : public Prompter {
public:
    struct Asked {
        std::string prompt;
        std::string title;
        std::string fallback;
    };
    std::vector<Asked> asked;
    std::vector<std::optional<std::string>> answers;
    std::vector<std::string> messages;

    void MessageBox(MessageIcon, const std::string& text, const std::string&) override {
        messages.push_back(text);
    }
    std::optional<std::string> InputBox(const std::string& prompt, const std::string& title,
                                        const std::string& fallback) override {
        asked.push_back({prompt, title, fallback});
        if (answers.empty()) {
            return std::nullopt;
        }
        std::optional<std::string> answer = answers.front();
        answers.erase(answers.begin());
        return answer;
    }
};

}  // namespace quillon::testing
