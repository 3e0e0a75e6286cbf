// SPDX-License-Identifier: MIT
#include "control/alarm_messages.hpp"

#include <algorithm>
#include <cmath>

#include "control/channel_value_text.hpp"
#include "platform/local_time.hpp"

namespace quillon {
namespace {

constexpr char kBreak[] = "<br>";

// The message must reach the agent as one command-line word.
std::string SpacesToUnderscores(std::string text) {
    std::replace(text.begin(), text.end(), ' ', '_');
    return text;
}

}  // namespace

std::string AlarmMessages::AlarmMessage(const SampleBlock& block) {
    std::string message = LocalTimeText(clock_.WallTime(), "%H:%M:%S") + kBreak;
    message += "DI" + std::to_string(facts_.instrument_model) + "#" + facts_.host_id + kBreak;
    message += panel_.Slot(kEmailSlot).equation + kBreak + kBreak;
    const std::int16_t channels = host_.ChannelCount();
    for (std::int16_t channel = 0; channel < channels; ++channel) {
        message += ChannelLine(channel, block);
    }
    return SpacesToUnderscores(std::move(message));
}

std::string AlarmMessages::HostExitMessage() {
    std::string message = LocalTimeText(clock_.WallTime(), "%m-%d-%Y%H:%M:%S") + kBreak;
    message += "WinDaq ID=" + facts_.host_id + kBreak;
    message += "Devce=" + std::to_string(facts_.instrument_model) + kBreak;
    return SpacesToUnderscores(std::move(message));
}

std::string AlarmMessages::RunNoticeMessage(const std::string& what_happened) {
    std::string message = LocalTimeText(clock_.WallTime(), "%H:%M:%S") + kBreak;
    message += "DI" + std::to_string(facts_.instrument_model) + "#" + facts_.host_id + kBreak;
    message += what_happened + kBreak;
    return SpacesToUnderscores(std::move(message));
}

std::string AlarmMessages::KeepAliveMessage(const SampleBlock& latest, bool running) {
    std::string message = LocalTimeText(clock_.WallTime(), "%H:%M:%S") + kBreak;
    message += "DI" + std::to_string(facts_.instrument_model) + "#" + facts_.host_id + kBreak;
    message += std::string(running ? "Run going" : "Run stopped") + kBreak + kBreak;
    const std::int16_t channels = host_.ChannelCount();
    for (std::int16_t channel = 0; channel < channels; ++channel) {
        message += ChannelLine(channel, latest);
    }
    return SpacesToUnderscores(std::move(message));
}

std::string AlarmMessages::ChannelLine(std::int16_t channel, const SampleBlock& block) {
    const double larger_range = LargerRange(channel);
    return "#" + std::to_string(channel) + "=" + CurrentSampleText(channel, larger_range, block) +
           "_" + host_.ChannelText(channel) + kBreak;
}

// The second range value is read first; on a tie of magnitudes the first one counts, and the
// chosen one is read once more.
double AlarmMessages::LargerRange(std::int16_t channel) {
    const double second = host_.LowerRange(channel);
    const double first = host_.UpperRange(channel);
    return std::abs(second) > std::abs(first) ? host_.LowerRange(channel)
                                              : host_.UpperRange(channel);
}

// The current sample is scan HistoryDepth, the newest one the tick read; a block that lacks the
// channel or the scan gives an empty text.
std::string AlarmMessages::CurrentSampleText(std::int16_t channel, double larger_range,
                                             const SampleBlock& block) {
    const int scan = std::min(run_.tokens.history_depth, block.Scans() - 1);
    if (channel >= block.Channels() || scan < 0) {
        return "";
    }
    return ChannelValueText(block.At(channel, scan), larger_range, locale_,
                            facts_.decimal_separator);
}

}  // namespace quillon
