// SPDX-License-Identifier: MIT
#include "replay/replay_session.hpp"

#include <algorithm>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>

#include "app/settings.hpp"
#include "events/event_log.hpp"
#include "events/rotating_event_file.hpp"
#include "host/sim/scenario.hpp"
#include "replay/svg_plot.hpp"
#include "utility/ini_file.hpp"
#include "utility/seconds_duration.hpp"
#include "utility/whole_file.hpp"

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

// Empty when the file was written whole, else why not.
std::string WriteText(const std::filesystem::path& path, const std::string& text) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << text;
    file.close();
    return file ? std::string() : path.string() + ": cannot write";
}

std::filesystem::path PrepareOutput(const std::string& folder) {
    std::filesystem::path out(folder);
    std::error_code code;
    std::filesystem::create_directories(out, code);
    if (code || !std::filesystem::is_directory(out)) {
        throw std::runtime_error(folder + ": cannot make the output folder" +
                                 (code ? ": " + code.message() : std::string()));
    }
    // Before the replay, not after it: a folder that takes no file would lose the whole work.
    const std::filesystem::path probe = out / ".quillon-replay-probe";
    if (const std::string problem = WriteText(probe, "probe\n"); !problem.empty()) {
        std::filesystem::remove(probe, code);
        throw std::runtime_error(folder + ": cannot write in the output folder (" + problem + ")");
    }
    std::filesystem::remove(probe, code);
    // A fresh log: an old one, and what older versions rotated away, would mix with this one.
    std::filesystem::remove(out / "events.jsonl", code);
    for (int age = 1; age < RotationLimits{}.files_kept; ++age) {
        std::filesystem::remove(out / ("events.jsonl." + std::to_string(age)), code);
    }
    return out;
}

// A mistyped -n would replay the default equations and look like a quiet day.
void RequireInstanceSection(const ReplayOptions& options,
                            const std::filesystem::path& default_settings) {
    if (options.instance.empty()) {
        return;
    }
    const std::filesystem::path file = options.settings_file.empty()
                                           ? default_settings
                                           : std::filesystem::path(options.settings_file);
    std::string unused;  // no file: no sections, said below
    const IniFile settings(ReadWholeFile(file, unused).value_or(""));
    if (settings.HasSection(options.instance)) {
        return;
    }
    std::string known;
    for (const std::string& name : settings.SectionNames()) {
        known += (known.empty() ? "" : ", ") + ("[" + name + "]");
    }
    throw std::runtime_error("-n" + options.instance + ": " + file.string() + " has no section [" +
                             options.instance + "]" +
                             (known.empty() ? "; it has none" : "; its sections are " + known));
}

}  // namespace

ReplayOutcome RunReplay(const ReplayOptions& options, Platform& platform,
                        const ReplayEngine::Progress& progress) {
    const std::filesystem::path default_settings = platform.ProfilePath(kSettingsFile);
    if (!options.settings_file.empty() &&
        !std::filesystem::is_regular_file(options.settings_file)) {
        throw std::runtime_error(options.settings_file + ": no such settings file");
    }
    RequireInstanceSection(options, default_settings);
    sim::Scenario scenario = LoadRecording(options);
    scenario.hold_recording_gaps = options.hold_gaps;
    const ReplaySpan span = SpanOf(scenario, options);
    const auto wall_start = WallStart(scenario, span.from);
    const std::filesystem::path out = PrepareOutput(options.out);
    std::unique_ptr<ProfileStore> named_file;
    if (!options.settings_file.empty()) {
        const std::filesystem::path folder =
            std::filesystem::path(options.settings_file).parent_path();
        named_file = platform.ProfilesIn(folder.empty() ? "." : folder.string());
    }
    ReadOnlyProfiles settings(platform.Profiles(), std::move(named_file), options.settings_file);

    ReplayEngine engine(std::move(scenario), span, wall_start, settings, platform.UserLocale(),
                        kPlotColumns);
    ReplayOutcome outcome;
    EventLog log(engine.GetClock(),
                 [&outcome](const std::string& problem) { outcome.log_problem = problem; });
    const std::string instance = options.instance.empty() ? "Quillon" : options.instance;
    log.FollowInstanceName(instance);
    log.CountTimeFrom(span.from);
    outcome.events = out / "events.jsonl";
    // One file that keeps every line: a replay's log is read as a whole.
    log.AttachFile(std::make_unique<RotatingEventFile>(outcome.events, kNoRotation));
    log.WriteInLargeBlocks();
    engine.AddSink(&log);
    engine.AcknowledgeAfter(options.ack_after);
    engine.Run(options.instance, progress);
    log.Flush();

    const std::string title = "Replay of " + options.recording + " with the settings of " +
                              (options.instance.empty() ? "Quillon" : options.instance);
    outcome.summary = engine.Summary().Text(title, span.from, span.to, engine.Sounds(),
                                            engine.Emails(), engine.Messages());
    outcome.summary_file = out / "summary.txt";
    outcome.write_problems.push_back(WriteText(outcome.summary_file, outcome.summary));
    PlotContent content{title, engine.ChannelNames(), &engine.Summary(), engine.Sounds(),
                        engine.Emails()};
    outcome.plot = out / "plot.svg";
    outcome.write_problems.push_back(WriteText(outcome.plot, SvgPlot(engine.Traces(), content)));
    std::erase(outcome.write_problems, std::string());
    outcome.ticks = engine.Ticks();
    outcome.seconds = span.to - span.from;
    return outcome;
}

}  // namespace quillon
