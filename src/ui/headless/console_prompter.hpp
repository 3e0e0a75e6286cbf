// SPDX-License-Identifier: MIT
#pragma once

#include <iosfwd>

#include "platform/prompter.hpp"
#include "ui/headless/console_event_lines.hpp"

namespace quillon {

// Without a window nobody can answer: message boxes are printed, input boxes are cancelled.
// With `events` (--events-json) a message box is also a "message" line among the events.
class ConsolePrompter final : public Prompter {
public:
    explicit ConsolePrompter(std::ostream& out, ConsoleEventLines* events = nullptr)
        : out_(out), events_(events) {}
    void MessageBox(MessageIcon icon, const std::string& text, const std::string& title) override;
    std::optional<std::string> InputBox(const std::string& prompt, const std::string& title,
                                        const std::string& fallback) override;

private:
    std::ostream& out_;
    ConsoleEventLines* events_;
};

}  // namespace quillon
