// SPDX-License-Identifier: MIT
#include <iostream>

#include "app/program_options.hpp"
#include "platform/linux/standard_descriptors.hpp"
#include "platform/linux/stop_signals.hpp"
#include "ui/headless/headless_runner.hpp"

int main(int argc, char** argv) {
    quillon::OpenMissingStandardDescriptors();
    quillon::StopSignals::Install();
    const quillon::ProgramOptions options = quillon::ParseProgramOptions(argc, argv);
    if (options.help) {
        std::cout << quillon::UsageText("quillon-headless");
        return 0;
    }
    if (options.version) {
        std::cout << "quillon-headless " QUILLON_VERSION "\n";
        return 0;
    }
    if (!options.unknown.empty()) {
        std::cerr << "quillon-headless: unknown option " << options.unknown.front()
                  << " (see --help)\n";
        return 2;
    }
    return quillon::RunHeadlessOnConsole(options);
}
