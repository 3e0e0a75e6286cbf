// SPDX-License-Identifier: MIT
#include "host/sim/simulated_instrument.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <limits>
#include <stdexcept>

namespace quillon::sim {

namespace {

constexpr double kScanTolerance = 1e-6;

std::string SecondsText(double seconds) {
    std::array<char, 32> text{};
    const auto end = std::to_chars(text.data(), text.data() + text.size(), seconds).ptr;
    return std::string(text.data(), end) + " s";
}

void CheckScenario(const Scenario& scenario) {
    const auto channels = scenario.channels.size();
    if (channels == 0 || channels > static_cast<std::size_t>(kMaxScenarioChannels)) {
        throw std::invalid_argument("a simulated instrument needs 1 to " +
                                    std::to_string(kMaxScenarioChannels) + " channels");
    }
    if (!(scenario.scan_rate > 0.0) || !std::isfinite(scenario.scan_rate)) {
        throw std::invalid_argument("a simulated instrument needs a scan rate above 0");
    }
}

// A moment of a recording, to the millisecond its rows are read at.
std::string MomentText(double seconds) {
    std::array<char, 48> text{};
    static_cast<void>(std::snprintf(text.data(), text.size(), "%.3f s", seconds));
    return text.data();
}

}  // namespace

SimulatedInstrument::SimulatedInstrument(Scenario scenario, Clock seconds_since_start)
    : scenario_(std::move(scenario)),
      clock_(std::move(seconds_since_start)),
      log_(scenario_.output_log) {
    CheckScenario(scenario_);
    if (!clock_) {
        throw std::invalid_argument("a simulated instrument needs a clock");
    }
}

SimulatedInstrument::Clock SimulatedInstrument::SteadyClockFromNow() {
    const auto start = std::chrono::steady_clock::now();
    return [start] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
}

// The -d text selected this instrument already; it identifies itself from its scenario.
void SimulatedInstrument::SetIdentification(const std::string& /*text*/) {}

std::string SimulatedInstrument::Identification() {
    return scenario_.identification;
}

std::int16_t SimulatedInstrument::ChannelCount() {
    return static_cast<std::int16_t>(scenario_.channels.size());
}

double SimulatedInstrument::HostValue() {
    return scenario_.host_value;
}

double SimulatedInstrument::UpperRange(std::int16_t channel) {
    return ChannelAt(channel, "UpperRange").upper_range;
}

double SimulatedInstrument::LowerRange(std::int16_t channel) {
    return ChannelAt(channel, "LowerRange").lower_range;
}

std::int32_t SimulatedInstrument::InstrumentModel(std::int16_t) {
    return scenario_.model;
}

std::int16_t SimulatedInstrument::DigitalInputMark(std::int16_t channel) {
    return ChannelAt(channel, "DigitalInputMark").digital_input ? -1 : 0;
}

// Its scans are always there. The scenario's time starts here, once: start-up asks for this
// just before its first Start, so scan k comes k / scan rate seconds into the first run
// however long start-up took, as it does in a replay.
void SimulatedInstrument::PrepareAcquisition() {
    if (!origin_) {
        origin_ = clock_();
    }
}

// Nothing to complete.
void SimulatedInstrument::CompleteStartup() {}

void SimulatedInstrument::WriteDigitalOutputs(std::int16_t word) {
    const double now = Now();
    if (output_listener_) {
        output_listener_(now, word);
    }
    log_.Append(now, word, problem_listener_);
}

void SimulatedInstrument::ReadScans(std::int16_t scans, SampleBlock& block) {
    const double now = Now();
    const std::int64_t newest = CheckedNewestScan(scans, now);
    FillBlock(newest, ScansToReturn(scans, now), block);
}

void SimulatedInstrument::ReadWindow(std::int16_t scans, WindowBlock& block) {
    const double now = Now();
    const std::int64_t newest = CheckedNewestScan(scans, now);
    FillWindow(newest, ScansToReturn(scans, now), block);
}

std::int64_t SimulatedInstrument::CheckedNewestScan(std::int16_t scans, double now) const {
    if (scans <= 0) {
        throw HostError("ReadScans: asked for " + std::to_string(scans) +
                        " scans; ask for at least 1");
    }
    CheckReadsWork(now);
    const std::int64_t newest = NewestScan(now);
    CheckRecordingLasts(newest);
    return newest;
}

// A moment within a millionth of a scan of a scan's own time counts as that scan: a tick on an
// exact clock must not see the scan before because of rounding. In a recording's gap the
// instrument sent nothing: no new scans, as from a silent module, unless the last is held.
std::int64_t SimulatedInstrument::NewestScan(double now) const {
    const Recording* recording = scenario_.recording.get();
    if (recording == nullptr || scenario_.loop_recording || recording->gaps.empty()) {
        return static_cast<std::int64_t>(std::floor(now * scenario_.scan_rate + kScanTolerance));
    }
    const Recording::Newest newest = recording->NewestAt(now, kScanTolerance);
    if (newest.silent && !scenario_.hold_recording_gaps) {
        const auto next = static_cast<std::size_t>(newest.row + 1);
        throw HostError(
            "ReadScans: no new scans since " + MomentText(recording->RowSeconds(next - 1)) +
            " (the recording has a gap until " + MomentText(recording->RowSeconds(next)) + ")");
    }
    return newest.row;
}

std::string SimulatedInstrument::ChannelText(std::int16_t channel) {
    const std::string& text = ChannelAt(channel, "ChannelText").text;
    return text.empty() ? "Channel " + std::to_string(channel) : text;
}

void SimulatedInstrument::Service() {
    if (!exit_fired_ && scenario_.exit_at && Now() >= *scenario_.exit_at) {
        exit_fired_ = true;
        NotifyExit();
    }
}

double SimulatedInstrument::Now() const {
    return std::max(0.0, clock_() - origin_.value_or(0.0));
}

const Scenario::Channel& SimulatedInstrument::ChannelAt(std::int16_t channel,
                                                        const char* operation) const {
    const int count = static_cast<int>(scenario_.channels.size());
    if (channel < 0 || channel >= count) {
        throw HostError(std::string(operation) + ": channel " + std::to_string(channel) +
                        " is out of range; the simulated instrument has " + std::to_string(count) +
                        " channels (0 to " + std::to_string(count - 1) + ")");
    }
    return scenario_.channels[static_cast<std::size_t>(channel)];
}

void SimulatedInstrument::CheckReadsWork(double now) const {
    if (scenario_.fail_reads_from && now >= *scenario_.fail_reads_from) {
        throw HostError("ReadScans: simulated read failure (the scenario fails reads from " +
                        SecondsText(*scenario_.fail_reads_from) + " on)");
    }
}

int SimulatedInstrument::ScansToReturn(int asked, double now) const {
    const auto& shortened = scenario_.short_blocks;
    if (shortened && now >= shortened->from_seconds) {
        return std::min(asked, shortened->max_scans);
    }
    return asked;
}

void SimulatedInstrument::CheckRecordingLasts(std::int64_t newest) const {
    const Recording* recording = scenario_.recording.get();
    if (recording != nullptr && !scenario_.loop_recording &&
        newest >= static_cast<std::int64_t>(recording->rows)) {
        throw HostError("ReadScans: the recording " + recording->source + " ended at " +
                        SecondsText(recording->Seconds()));
    }
}

template <typename Fill>
void SimulatedInstrument::ForEachRow(std::int64_t newest, int scans, Fill fill) {
    if (const Recording* recording = scenario_.recording.get()) {
        const auto rows = static_cast<std::int64_t>(recording->rows);
        for (int position = 0; position < scans; ++position) {
            const std::int64_t scan = std::max<std::int64_t>(0, newest - (scans - 1 - position));
            const std::int64_t row =
                scenario_.loop_recording ? scan % rows : std::min(scan, rows - 1);
            fill(position, recording->Row(static_cast<std::size_t>(row)));
        }
        return;
    }
    cache_.Reserve(scans);
    for (int position = 0; position < scans; ++position) {
        const std::int64_t scan = std::max<std::int64_t>(0, newest - (scans - 1 - position));
        fill(position, cache_.Row(scan));
    }
}

void SimulatedInstrument::FillBlock(std::int64_t newest, int scans, SampleBlock& block) {
    const auto channels = scenario_.channels.size();
    block.Resize(static_cast<int>(channels), scans);
    if (!block.HistoryOfAll() && scenario_.recording == nullptr) {
        FillHistoryOnly(newest, scans, block);
        return;
    }
    ForEachRow(newest, scans, [&](int position, const double* row) {
        std::copy_n(row, channels, block.Scan(position));
    });
}

// A waveform's earlier scans computed for the history channels alone; the others' are NaN,
// which no equation reads.
void SimulatedInstrument::FillHistoryOnly(std::int64_t newest, int scans, SampleBlock& block) {
    const auto channels = scenario_.channels.size();
    cache_.Reserve(1);
    std::copy_n(cache_.Row(newest), channels, block.Scan(scans - 1));
    for (int position = 0; position + 1 < scans; ++position) {
        std::fill_n(block.Scan(position), channels, std::numeric_limits<double>::quiet_NaN());
        const std::int64_t scan = std::max<std::int64_t>(0, newest - (scans - 1 - position));
        for (const std::int16_t channel : block.HistoryChannels()) {
            if (channel >= 0 && static_cast<std::size_t>(channel) < channels) {
                block.Set(channel, position,
                          scenario_.channels[static_cast<std::size_t>(channel)].waveform.ValueAt(
                              scan, scenario_.scan_rate));
            }
        }
    }
}

// Only the scans since the last window read, of the selected channels: a recording's from its
// rows, a waveform's computed for those channels alone. Scans before the first stand in as
// scan 0, the same for every read, so windows always slide.
void SimulatedInstrument::FillWindow(std::int64_t newest, int scans, WindowBlock& block) {
    const auto channels = scenario_.channels.size();
    const int fresh = block.BeginRead(static_cast<int>(channels), scans, newest, true);
    const std::vector<std::int16_t>& held = block.HeldChannels();
    const Recording* recording = scenario_.recording.get();
    const auto rows = recording != nullptr ? static_cast<std::int64_t>(recording->rows) : 0;
    for (const std::int16_t channel : held) {
        double* series = block.FreshSeries(channel);
        const auto& waveform = scenario_.channels[static_cast<std::size_t>(channel)].waveform;
        for (int i = 0; i < fresh; ++i) {
            const std::int64_t scan = std::max<std::int64_t>(0, newest - (fresh - 1 - i));
            if (recording == nullptr) {
                series[i] = waveform.ValueAt(scan, scenario_.scan_rate);
                continue;
            }
            const std::int64_t row =
                scenario_.loop_recording ? scan % rows : std::min(scan, rows - 1);
            series[i] = recording->Row(static_cast<std::size_t>(row))[channel];
        }
    }
    ForEachRow(newest, 1,
               [&](int, const double* row) { std::copy_n(row, channels, block.NewestScan()); });
}

}  // namespace quillon::sim
