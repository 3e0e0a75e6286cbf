// SPDX-License-Identifier: MIT
#include "app/program_start.hpp"

#include <iostream>

#include "platform/platform.hpp"

namespace quillon {

int StartProgram(int argc, char** argv, const char* program,
                 const std::function<int(const ProgramOptions& options)>& run) {
    PrepareProcess();
    const ProgramOptions options = ParseProgramOptions(argc, argv);
    if (options.help) {
        std::cout << UsageText(program);
        return kExitNormal;
    }
    if (options.version) {
        std::cout << program << " " QUILLON_VERSION "\n";
        return 0;
    }
    if (!options.unknown.empty()) {
        std::cerr << program << ": unknown option " << options.unknown.front() << " (see --help)\n";
        return kExitBadCommandLine;
    }
    return run(options);
}

}  // namespace quillon
