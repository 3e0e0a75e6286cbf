// SPDX-License-Identifier: MIT
#include "app/program_start.hpp"

#include <iostream>

#include "platform/platform.hpp"

namespace quillon {

int StartProgram(int argc, char** argv, const char* program,
                 const std::function<int(const ProgramOptions& options)>& run,
                 const ProgramTextSink& say) {
    PrepareProcess();
    const auto tell = [&say](const std::string& text, bool failure) {
        if (say) {
            say(text, failure);
        } else {
            (failure ? std::cerr : std::cout) << text;
        }
    };
    const ProgramOptions options = ParseProgramOptions(argc, argv);
    if (options.help) {
        tell(UsageText(program), false);
        return kExitNormal;
    }
    if (options.version) {
        tell(std::string(program) + " " QUILLON_VERSION "\n", false);
        return kExitNormal;
    }
    if (!options.error.empty()) {
        tell(std::string(program) + ": " + options.error + " (see --help)\n", true);
        return kExitBadCommandLine;
    }
    if (!options.unknown.empty()) {
        tell(std::string(program) + ": unknown option " + options.unknown.front() +
                 " (see --help)\n",
             true);
        return kExitBadCommandLine;
    }
    return run(options);
}

}  // namespace quillon
