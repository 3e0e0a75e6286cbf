// SPDX-License-Identifier: MIT
#pragma once

#include <filesystem>
#include <string>

#include "platform/locale.hpp"
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
    double seconds = 0.0;     // of recording time replayed
    std::string log_problem;  // the event log could not be written
};

// quillon-replay's work: the recording read, the span worked out, the engine run, and the
// event log, the summary and the plot written to the output folder. Raises std::runtime_error
// (or ScenarioError for a bad recording) with a message for the operator.
ReplayOutcome RunReplay(const ReplayOptions& options, ProfileStore& profiles, Locale& locale,
                        const ReplayEngine::Progress& progress = {});

// The plot's width in columns of traces.
inline constexpr int kPlotColumns = 1200;

}  // namespace quillon
