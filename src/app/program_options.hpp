// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

namespace quillon {

// The program's own options start with "--" and are taken out before the instance words are
// read, so they never shift the -d and -n words.
struct ProgramOptions {
    bool headless = false;
    bool help = false;
    bool version = false;
    std::vector<std::string> unknown;  // other "--" words
    std::string argument_text;         // the remaining words, joined by single blanks
};

ProgramOptions ParseProgramOptions(int argc, const char* const* argv);

// The --help text for the program named `program`.
std::string UsageText(const std::string& program);

}  // namespace quillon
