// SPDX-License-Identifier: MIT
#include "replay/replay_session.hpp"

#include <algorithm>
#include <fstream>
#include <memory>
#include <stdexcept>

#include "events/event_log.hpp"
#include "events/rotating_event_file.hpp"
#include "host/sim/scenario.hpp"
#include "platform/seconds_duration.hpp"
#include "replay/svg_plot.hpp"

namespace quillon {
namespace {

// A scenario's exit is an event worth seeing: the span runs a little past it.
constexpr double kPastExit = 0.5;

bool IsCsv(const std::string& path) {
    std::string extension = std::filesystem::path(path).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".csv";
}

sim::Scenario LoadRecording(const ReplayOptions& options) {
    if (IsCsv(options.recording)) {
        return sim::RecordingScenario(std::make_shared<const sim::Recording>(sim::LoadCsvRecording(
                                          options.recording, options.digital)),
                                      false);
    }
    if (!options.digital.empty()) {
        throw std::runtime_error(
            "--digital is for CSV recordings; a scenario marks its digital "
            "channel itself");
    }
    return sim::LoadScenarioFile(options.recording);
}

ReplaySpan SpanOf(const sim::Scenario& scenario, const ReplayOptions& options) {
    std::optional<double> end;
    if (scenario.recording && !scenario.loop_recording) {
        end = scenario.recording->Seconds();
    }
    if (scenario.exit_at) {
        end = std::min(end.value_or(*scenario.exit_at + kPastExit), *scenario.exit_at + kPastExit);
    }
    if (options.to) {
        end = end ? std::min(*end, *options.to) : *options.to;
    }
    if (!end) {
        throw std::runtime_error(options.recording +
                                 " has no end (its channels go on for ever): give --to SECONDS");
    }
    const double from = options.from.value_or(0.0);
    if (from >= *end) {
        throw std::runtime_error("--from " + RecordingTimeText(from) + " is not before the end, " +
                                 RecordingTimeText(*end));
    }
    return {from, *end};
}

std::chrono::system_clock::time_point WallStart(const sim::Scenario& scenario, double from) {
    const auto start = scenario.recording && scenario.recording->start
                           ? *scenario.recording->start
                           : std::chrono::system_clock::now();
    return start + SecondsToDuration<std::chrono::system_clock::duration>(from);
}

std::filesystem::path PrepareOutput(const std::string& folder) {
    const std::filesystem::path out(folder);
    std::error_code code;
    std::filesystem::create_directories(out, code);
    if (code || !std::filesystem::is_directory(out)) {
        throw std::runtime_error(folder + ": cannot make the output folder" +
                                 (code ? ": " + code.message() : std::string()));
    }
    // A fresh log: the old one and what it rotated away would mix with this replay.
    std::filesystem::remove(out / "events.jsonl", code);
    for (int age = 1; age < RotationLimits{}.files_kept; ++age) {
        std::filesystem::remove(out / ("events.jsonl." + std::to_string(age)), code);
    }
    return out;
}

void WriteText(const std::filesystem::path& path, const std::string& text) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << text;
    file.close();
    if (!file) {
        throw std::runtime_error(path.string() + ": cannot write");
    }
}

}  // namespace

ReplayOutcome RunReplay(const ReplayOptions& options, ProfileStore& profiles, Locale& locale,
                        const ReplayEngine::Progress& progress) {
    if (!options.settings_file.empty() &&
        !std::filesystem::is_regular_file(options.settings_file)) {
        throw std::runtime_error(options.settings_file + ": no such settings file");
    }
    sim::Scenario scenario = LoadRecording(options);
    const ReplaySpan span = SpanOf(scenario, options);
    const auto wall_start = WallStart(scenario, span.from);
    const std::filesystem::path out = PrepareOutput(options.out);
    ReadOnlyProfiles settings(profiles, options.settings_file);

    ReplayEngine engine(std::move(scenario), span, wall_start, settings, locale, kPlotColumns);
    ReplayOutcome outcome;
    EventLog log(engine.GetClock(),
                 [&outcome](const std::string& problem) { outcome.log_problem = problem; });
    outcome.events = out / "events.jsonl";
    log.AttachFile(std::make_unique<RotatingEventFile>(outcome.events));
    engine.AddSink(&log);
    engine.Run(options.instance, progress);
    log.Flush();

    const std::string title = "Replay of " + options.recording + " with the settings of " +
                              (options.instance.empty() ? "Quillon" : options.instance);
    outcome.summary = engine.Summary().Text(title, span.from, span.to, engine.Sounds(),
                                            engine.Emails(), engine.Messages());
    outcome.summary_file = out / "summary.txt";
    WriteText(outcome.summary_file, outcome.summary);
    PlotContent content{title, engine.ChannelNames(), &engine.Summary(), engine.Sounds(),
                        engine.Emails()};
    outcome.plot = out / "plot.svg";
    WriteText(outcome.plot, SvgPlot(engine.Traces(), content));
    outcome.ticks = engine.Ticks();
    outcome.seconds = span.to - span.from;
    return outcome;
}

}  // namespace quillon
