// SPDX-License-Identifier: MIT
#include "app/command_line.hpp"

namespace quillon {
namespace {

struct FirstTwoWords {
    std::string_view first;
    std::optional<std::string_view> second;
};

FirstTwoWords SplitFirstTwoWords(std::string_view text) {
    const std::size_t first_blank = text.find(' ');
    if (first_blank == std::string_view::npos) {
        return {text, std::nullopt};
    }
    const std::string_view rest = text.substr(first_blank + 1);
    return {text.substr(0, first_blank), rest.substr(0, rest.find(' '))};
}

// The text after "-" and the option letter in either case, when the word is that option.
std::optional<std::string> OptionText(std::string_view word, char letter) {
    const char upper = static_cast<char>(letter - 'a' + 'A');
    if (word.size() >= 2 && word[0] == '-' && (word[1] == letter || word[1] == upper)) {
        return std::string(word.substr(2));
    }
    return std::nullopt;
}

}  // namespace

CommandLine ParseCommandLine(std::string_view argument_text) {
    CommandLine options;
    if (argument_text.empty()) {
        return options;
    }
    const FirstTwoWords words = SplitFirstTwoWords(argument_text);
    options.host_text = OptionText(words.first, 'd');
    if (words.second) {
        options.caption = OptionText(*words.second, 'n');
    }
    return options;
}

std::string JoinArguments(const std::vector<std::string>& words) {
    std::string text;
    for (const std::string& word : words) {
        if (&word != &words.front()) {
            text += ' ';
        }
        text += word;
    }
    return text;
}

}  // namespace quillon
