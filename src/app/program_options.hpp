// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace quillon {

// The program's own options start with "--" and are taken out before the instance words are
// read, so they never shift the -d and -n words.
struct ProgramOptions {
    bool headless = false;
    bool exit_on_stop = false;
    bool view = false;         // open the channels view with the window  // end, with
                               // kExitStoppedByItself, when the run stops by itself
    bool events_json = false;  // the console prints the event log's JSON lines
    // Seconds between tries to start again a run that the host's failure stopped; none: never.
    std::optional<double> resume_after;
    std::string error;  // an option given wrongly
    bool help = false;
    bool version = false;
    std::vector<std::string> unknown;  // other "--" words
    std::string argument_text;         // the remaining words, joined by single blanks
};

// The exit statuses service managers see.
inline constexpr int kExitNormal = 0;           // a stop signal, a closed window, the host's exit
inline constexpr int kExitFailed = 1;           // start-up failed, or the settings were not saved
inline constexpr int kExitBadCommandLine = 2;   // an unknown option or host
inline constexpr int kExitStoppedByItself = 3;  // --exit-on-stop: the run stopped on a failure

ProgramOptions ParseProgramOptions(int argc, const char* const* argv);

// The --help text for the program named `program`.
std::string UsageText(const std::string& program);

}  // namespace quillon
