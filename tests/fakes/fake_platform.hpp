// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

#include "platform/clock.hpp"
#include "platform/locale.hpp"
#include "platform/prompter.hpp"

namespace quillon::testing {

class FakeLocale final : public Locale {
public:
    std::string separator = ".";
    std::string FormatGeneral(double value) override {
        std::string text = std::to_string(value);
        text.erase(text.find_last_not_of('0') + 1);
        if (const auto point = text.find('.'); point != std::string::npos) {
            text.replace(point, 1, separator);
        }
        return text;
    }
};

class FakeClock final : public Clock {
public:
    std::chrono::system_clock::time_point wall{};
    std::chrono::steady_clock::time_point monotonic{};
    std::chrono::system_clock::time_point WallTime() override { return wall; }
    std::chrono::steady_clock::time_point Monotonic() override { return monotonic; }
    // Waiting is instant: the time moves on to the end of the wait.
    void SleepUntil(std::chrono::steady_clock::time_point when) override {
        wall += std::chrono::duration_cast<std::chrono::system_clock::duration>(
            std::max(when - monotonic, std::chrono::steady_clock::duration::zero()));
        monotonic = std::max(monotonic, when);
    }
};

// Records every box; input boxes answer from a queue, then cancel.
class FakePrompter final : public Prompter {
public:
    std::vector<std::string> messages;
    std::vector<std::string> answers;

    void MessageBox(MessageIcon, const std::string& text, const std::string&) override {
        messages.push_back(text);
    }
    std::optional<std::string> InputBox(const std::string& prompt, const std::string&,
                                        const std::string&) override {
        messages.push_back(prompt);
        if (answers.empty()) {
            return std::nullopt;
        }
        std::string answer = answers.front();
        answers.erase(answers.begin());
        return answer;
    }
};

}  // namespace quillon::testing
