// SPDX-License-Identifier: MIT
#pragma once

#include <iosfwd>

#include "platform/prompter.hpp"

namespace quillon {

// Without a window nobody can answer: message boxes are printed, input boxes are cancelled.
class ConsolePrompter final : public Prompter {
public:
    explicit ConsolePrompter(std::ostream& out) : out_(out) {}
    void MessageBox(MessageIcon icon, const std::string& text, const std::string& title) override;
    std::optional<std::string> InputBox(const std::string& prompt, const std::string& title,
                                        const std::string& fallback) override;

private:
    std::ostream& out_;
};

}  // namespace quillon
