// SPDX-License-Identifier: MIT
// quillon-replay: a recording through an instance's equations, as fast as the machine allows.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <iostream>

#include "app/program_options.hpp"
#include "app/settings.hpp"
#include "host/sim/scenario_error.hpp"
#include "platform/platform.hpp"
#include "replay/replay_session.hpp"

namespace {

using quillon::kExitBadCommandLine;
using quillon::kExitFailed;
using quillon::kExitNormal;

// Percentage, speed against real time and time left, redrawn on one line of a terminal at
// most four times a second.
class ProgressLine {
public:
    explicit ProgressLine(double recording_seconds) : recording_seconds_(recording_seconds) {}

    void Show(double done) {
        const auto now = std::chrono::steady_clock::now();
        if (done < 1.0 && now - last_ < std::chrono::milliseconds(250)) {
            return;
        }
        last_ = now;
        const double elapsed = std::chrono::duration<double>(now - start_).count();
        const double speed = elapsed > 0 ? done * recording_seconds_ / elapsed : 0.0;
        const double left = done > 0 ? elapsed * (1.0 - done) / done : 0.0;
        // Progress only: a terminal that cannot take it loses nothing of the replay.
        static_cast<void>(std::fprintf(stderr, "\rreplay %5.1f%%  %8.0fx real time  %6.1f s left ",
                                       done * 100.0, speed, left));
        if (done >= 1.0) {
            static_cast<void>(std::fputc('\n', stderr));
        }
        static_cast<void>(std::fflush(stderr));
    }

private:
    double recording_seconds_;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point last_{};
};

}  // namespace

int main(int argc, char** argv) {
    quillon::ReplayOptions options;
    try {
        options = quillon::ParseReplayOptions(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::exception& error) {
        std::cerr << "quillon-replay: " << error.what() << " (see --help)\n";
        return kExitBadCommandLine;
    }
    if (options.help) {
        std::cout << quillon::ReplayUsageText();
        return kExitNormal;
    }
    if (options.version) {
        std::cout << "quillon-replay " QUILLON_VERSION "\n";
        return kExitNormal;
    }
    const std::unique_ptr<quillon::Platform> platform = quillon::CreatePlatform();
    std::optional<ProgressLine> line;
    try {
        const quillon::ReplayOutcome outcome =
            quillon::RunReplay(options, *platform, [&](double done, double span) {
                if (isatty(STDERR_FILENO) == 0) {
                    return;
                }
                if (!line) {
                    line.emplace(span);
                }
                line->Show(done);
            });
        std::cout << outcome.summary << "\nEvents: " << outcome.events.string()
                  << "\nSummary: " << outcome.summary_file.string()
                  << "\nPlot: " << outcome.plot.string() << "\n";
        bool whole = true;
        if (!outcome.log_problem.empty()) {
            std::cerr << "quillon-replay: " << outcome.log_problem << "\n";
            whole = false;
        }
        for (const std::string& problem : outcome.write_problems) {
            std::cerr << "quillon-replay: " << problem << "\n";
            whole = false;
        }
        if (!whole) {
            return kExitFailed;
        }
    } catch (const std::exception& error) {
        std::cerr << "quillon-replay: " << error.what() << "\n";
        return kExitFailed;
    }
    return kExitNormal;
}
