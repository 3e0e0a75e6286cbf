// SPDX-License-Identifier: MIT
#include "host/sim/scenario_parser.hpp"

#include <algorithm>
#include <filesystem>
#include <istream>
#include <limits>
#include <stdexcept>
#include <string_view>

#include "host/sim/channel_parser.hpp"
#include "host/syntax/line_syntax.hpp"

namespace quillon::sim {

namespace {

using syntax::ParseInteger;
using syntax::ParseNumber;
using syntax::ParseSeconds;
using syntax::Quoted;

// Beyond this, floor(elapsed * rate) stops being an exact scan index within a human lifetime.
constexpr double kMaxScanRate = 1'000'000.0;
constexpr std::size_t kAnyCount = std::numeric_limits<std::size_t>::max();
constexpr std::int64_t kMaxBlockScans = std::numeric_limits<std::int16_t>::max();

}  // namespace

const std::vector<ScenarioParser::Keyword>& ScenarioParser::Keywords() {
    static const std::vector<Keyword> keywords = {
        {"channels", "channels COUNT", 1, 1, &ScenarioParser::ParseChannels},
        {"scan-rate", "scan-rate SCANS_PER_SECOND", 1, 1, &ScenarioParser::ParseScanRate},
        {"identification", "identification TEXT", 1, 1, &ScenarioParser::ParseIdentification},
        {"model", "model NUMBER", 1, 1, &ScenarioParser::ParseModel},
        {"host-value", "host-value NUMBER", 1, 1, &ScenarioParser::ParseHostValue},
        {"output-log", "output-log PATH", 1, 1, &ScenarioParser::ParseOutputLog},
        {"channel", "channel INDEX WAVEFORM SETTINGS...", 1, kAnyCount,
         &ScenarioParser::ParseChannel},
        {"fail-reads-from", "fail-reads-from SECONDS", 1, 1, &ScenarioParser::ParseFailReadsFrom},
        {"short-blocks-from", "short-blocks-from SECONDS scans=COUNT", 2, 2,
         &ScenarioParser::ParseShortBlocksFrom},
        {"exit-at", "exit-at SECONDS", 1, 1, &ScenarioParser::ParseExitAt},
        {"recording", "recording PATH [loop] [digital=CHANNEL]", 1, kAnyCount,
         &ScenarioParser::ParseRecording},
    };
    return keywords;
}

Scenario ScenarioParser::Parse(std::istream& in) {
    syntax::ForEachLine(in, [this](int number, const std::string& line) {
        line_ = number;
        ParseLine(line);
    });
    if (in.bad()) {
        throw ScenarioError(source_ + ": read error after line " + std::to_string(line_));
    }
    return Finish();
}

void ScenarioParser::ParseLine(const std::string& line) {
    try {
        const Words words = syntax::SplitLine(line);
        if (!words.empty()) {
            syntax::Dispatch(*this, Keywords(), words);
        }
    } catch (const std::invalid_argument& error) {
        FailAt(line_, error.what());
    }
}

void ScenarioParser::ParseChannels(const Words& values) {
    keywords_set_.Mark("channels", line_);
    channel_count_ = static_cast<int>(ParseInteger(values[0], "channels", 1, kMaxScenarioChannels));
}

void ScenarioParser::ParseScanRate(const Words& values) {
    keywords_set_.Mark("scan-rate", line_);
    const double rate = ParseNumber(values[0], "scan-rate");
    if (rate <= 0.0 || rate > kMaxScanRate) {
        throw std::invalid_argument("scan-rate must be greater than 0 and at most 1000000");
    }
    scenario_.scan_rate = rate;
}

void ScenarioParser::ParseIdentification(const Words& values) {
    keywords_set_.Mark("identification", line_);
    scenario_.identification = values[0];
}

void ScenarioParser::ParseModel(const Words& values) {
    keywords_set_.Mark("model", line_);
    scenario_.model = syntax::ParseModel(values[0]);
}

void ScenarioParser::ParseHostValue(const Words& values) {
    keywords_set_.Mark("host-value", line_);
    scenario_.host_value = ParseNumber(values[0], "host-value");
}

void ScenarioParser::ParseOutputLog(const Words& values) {
    keywords_set_.Mark("output-log", line_);
    if (values[0].empty()) {
        throw std::invalid_argument("output-log needs a file path");
    }
    scenario_.output_log = values[0];
}

void ScenarioParser::ParseChannel(const Words& values) {
    const int index =
        static_cast<int>(ParseInteger(values[0], "channel index", 0, kMaxScenarioChannels - 1));
    const auto previous = channels_.find(index);
    if (previous != channels_.end()) {
        throw std::invalid_argument("channel " + values[0] + " is already defined on line " +
                                    std::to_string(previous->second.line));
    }
    ChannelParser parser(Words(values.begin() + 1, values.end()));
    channels_.emplace(index, PendingChannel{line_, parser.Parse()});
}

void ScenarioParser::ParseFailReadsFrom(const Words& values) {
    keywords_set_.Mark("fail-reads-from", line_);
    scenario_.fail_reads_from = ParseSeconds(values[0], "fail-reads-from");
}

void ScenarioParser::ParseShortBlocksFrom(const Words& values) {
    keywords_set_.Mark("short-blocks-from", line_);
    const std::string_view prefix = "scans=";
    if (values[1].rfind(prefix, 0) != 0) {
        throw std::invalid_argument("expected \"short-blocks-from SECONDS scans=COUNT\"");
    }
    const double from = ParseSeconds(values[0], "short-blocks-from");
    const auto scans = ParseInteger(values[1].substr(prefix.size()), "scans", 0, kMaxBlockScans);
    scenario_.short_blocks = Scenario::ShortBlocks{from, static_cast<int>(scans)};
}

void ScenarioParser::ParseExitAt(const Words& values) {
    keywords_set_.Mark("exit-at", line_);
    scenario_.exit_at = ParseSeconds(values[0], "exit-at");
}

// A relative path is taken from the scenario file's folder, where the two usually lie together.
void ScenarioParser::ParseRecording(const Words& values) {
    keywords_set_.Mark("recording", line_);
    std::string digital;
    for (std::size_t i = 1; i < values.size(); ++i) {
        if (values[i] == "loop") {
            loop_recording_ = true;
        } else if (values[i].rfind("digital=", 0) == 0) {
            digital = values[i].substr(8);
        } else {
            throw std::invalid_argument(
                "expected \"recording PATH [loop] [digital=CHANNEL]\", not " + Quoted(values[i]));
        }
    }
    std::filesystem::path path(values[0]);
    if (path.is_relative()) {
        path = std::filesystem::path(source_).parent_path() / path;
    }
    try {
        recording_ = std::make_shared<const Recording>(LoadCsvRecording(path.string(), digital));
    } catch (const ScenarioError& error) {
        throw std::invalid_argument(std::string("recording: ") + error.what());
    }
}

// The recording says how many channels there are, what they are called and how fast they go.
void ScenarioParser::CheckRecordingAlone() const {
    for (const char* keyword : {"channels", "scan-rate"}) {
        if (keywords_set_.Contains(keyword)) {
            FailAt(keywords_set_.LineOf(keyword),
                   std::string(keyword) + " comes from the recording on line " +
                       std::to_string(keywords_set_.LineOf("recording")) + "; leave it out");
        }
    }
    if (!channels_.empty()) {
        FailAt(channels_.begin()->second.line,
               "channel lines do not go with a recording, which names its own channels");
    }
}

Scenario ScenarioParser::Finish() {
    if (recording_) {
        CheckRecordingAlone();
        UseRecording(scenario_, recording_, loop_recording_);
        return std::move(scenario_);
    }
    if (!channel_count_) {
        throw ScenarioError(source_ + ": no channels line; add one, e.g. \"channels 4\"");
    }
    scenario_.channels.resize(static_cast<std::size_t>(*channel_count_));
    for (const auto& [index, pending] : channels_) {
        CheckChannel(index, pending);
        scenario_.channels[static_cast<std::size_t>(index)] = pending.channel;
    }
    CheckSingleDigitalInput();
    return std::move(scenario_);
}

void ScenarioParser::CheckChannel(int index, const PendingChannel& pending) const {
    if (index >= *channel_count_) {
        FailAt(pending.line, "channel " + std::to_string(index) +
                                 " is out of range; the scenario has " +
                                 std::to_string(*channel_count_) + " channels (0 to " +
                                 std::to_string(*channel_count_ - 1) + ")");
    }
}

void ScenarioParser::CheckSingleDigitalInput() const {
    std::optional<int> first;
    for (const auto& [index, pending] : channels_) {
        if (pending.channel.digital_input && first) {
            FailAt(pending.line, "channel " + std::to_string(index) +
                                     " cannot be digital too; channel " + std::to_string(*first) +
                                     " already is");
        }
        if (pending.channel.digital_input) {
            first = index;
        }
    }
}

void ScenarioParser::FailAt(int line, const std::string& what) const {
    throw ScenarioError(source_ + ":" + std::to_string(line) + ": " + what);
}

}  // namespace quillon::sim
