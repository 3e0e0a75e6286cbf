// SPDX-License-Identifier: MIT
#include "ui/headless/console_prompter.hpp"

#include <ostream>

#include "ui/headless/timestamp.hpp"

namespace quillon {
namespace {

std::string OneLine(std::string text) {
    for (char& c : text) {
        if (c == '\r' || c == '\n') {
            c = ' ';
        }
    }
    return text;
}

}  // namespace

void ConsolePrompter::MessageBox(MessageIcon icon, const std::string& text,
                                 const std::string& title) {
    const char* kind = icon == MessageIcon::Critical ? "error" : "info";
    out_ << Timestamp() << " message " << kind << (title.empty() ? "" : " [" + title + "]") << ": "
         << OneLine(text) << std::endl;
    if (events_ != nullptr) {
        events_->Message(kind, title, text);
    }
}

std::optional<std::string> ConsolePrompter::InputBox(const std::string& prompt,
                                                     const std::string& title,
                                                     const std::string& fallback) {
    out_ << Timestamp() << " input [" << title << "]: " << OneLine(prompt) << " (default \""
         << fallback << "\"): cancelled" << std::endl;
    return std::nullopt;
}

}  // namespace quillon
