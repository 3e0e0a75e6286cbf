// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

// The two options of the argument text: only its first two blank-separated words count.
struct CommandLine {
    std::optional<std::string> host_text;  // "-d" in the first word: text for the host
    std::optional<std::string> caption;    // "-n" in the second word: caption and host id
};

CommandLine ParseCommandLine(std::string_view argument_text);

// The argument text of a program started with an argument vector: the words joined by single
// blanks, as a command line would have held them.
std::string JoinArguments(const std::vector<std::string>& words);

}  // namespace quillon
