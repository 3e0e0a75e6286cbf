// SPDX-License-Identifier: MIT
#pragma once

#include "platform/process_launcher.hpp"

namespace quillon {

// Starts programs with a hidden window and lets them go: their handles are closed at once, so
// nothing is waited for and no finished programs are reported.
class Win32ProcessLauncher final : public ProcessLauncher {
public:
    bool Launch(const std::string& program, const std::vector<std::string>& arguments,
                std::string& error) override;

    // The command line Windows hands the program: the words separated by single blanks, each
    // quoted only when it would not read back as one word (never for the agent's words, whose
    // message holds no blank).
    static std::string CommandLine(const std::string& program,
                                   const std::vector<std::string>& arguments);
};

}  // namespace quillon
