// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <string>

namespace quillon {

enum class MessageIcon { Critical, Information };

// The operator's modal boxes.
class Prompter {
public:
    virtual ~Prompter() = default;
    // A modal message box; an empty title means the program's default title.
    virtual void MessageBox(MessageIcon icon, const std::string& text,
                            const std::string& title) = 0;
    // A modal one-line input box; no value when the operator cancels.
    virtual std::optional<std::string> InputBox(const std::string& prompt, const std::string& title,
                                                const std::string& fallback) = 0;
};

}  // namespace quillon
