// SPDX-License-Identifier: MIT
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "platform/locale.hpp"
#include "platform/platform.hpp"
#include "platform/profile_store.hpp"
#include "replay/replay_engine.hpp"
#include "replay/replay_options.hpp"

namespace quillon {

// What a replay wrote.
struct ReplayOutcome {
    std::string summary;
    std::filesystem::path events;
    std::filesystem::path summary_file;
    std::filesystem::path plot;
    std::uint64_t ticks = 0;
    double seconds = 0.0;                     // of recording time replayed
    std::string log_problem;                  // the event log could not be written
    std::vector<std::string> write_problems;  // summary.txt or plot.svg not written
};

// quillon-replay's work: the recording read, the span worked out, the engine run, and the
// event log, the summary and the plot written to the output folder. Raises std::runtime_error
// (or ScenarioError for a bad recording) with a message for the operator, before the replay
// for an output folder that takes no file or an instance the settings file does not have
// (the platform's settings file without --settings; either is only read). Files that could not be
// written after the replay are told in the outcome, which still holds the summary.
ReplayOutcome RunReplay(const ReplayOptions& options, Platform& platform,
                        const ReplayEngine::Progress& progress = {});

// The plot's width in columns of traces.
inline constexpr int kPlotColumns = 1200;

}  // namespace quillon
