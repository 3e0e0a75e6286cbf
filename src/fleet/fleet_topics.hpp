// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>

namespace quillon::fleet {

// The topics and payload names that the publisher writes and quillon-fleet reads:
// PREFIX/SITE/INSTANCE/LEAF, every payload JSON in UTF-8.
inline constexpr std::string_view kOnlineLeaf = "online";      // retained true; the will: false
inline constexpr std::string_view kStateLeaf = "state";        // retained, on change, every 30 s
inline constexpr std::string_view kEventsLeaf = "events";      // every event-log line, QoS 1
inline constexpr std::string_view kChannelsLeaf = "channels";  // retained, Channels=1 only

// The state payload's fields.
namespace state {
inline constexpr std::string_view kSite = "site";
inline constexpr std::string_view kInstance = "instance";
inline constexpr std::string_view kVersion = "version";
inline constexpr std::string_view kRunning = "running";
inline constexpr std::string_view kStopReason = "stop_reason";  // "operator" or the cause
inline constexpr std::string_view kStatus = "status";
inline constexpr std::string_view kLamps = "lamps";  // "on", "off", "none" for each slot
inline constexpr std::string_view kModes = "modes";
inline constexpr std::string_view kSwitches = "switches";
inline constexpr std::string_view kMathExpression = "math_expression";
inline constexpr std::string_view kGlobalKey = "global_key";
inline constexpr std::string_view kOutputWord = "output_word";
inline constexpr std::string_view kHost = "host";
inline constexpr std::string_view kModel = "model";
inline constexpr std::string_view kKeepAlive = "keep_alive_countdown";
inline constexpr std::string_view kChanged = "changed";           // wall time of the last change
inline constexpr std::string_view kChangedMs = "changed_ms";      // the same in Unix milliseconds
inline constexpr std::string_view kPublishedMs = "published_ms";  // when this copy was sent
}  // namespace state

inline constexpr std::string_view kLampOn = "on";
inline constexpr std::string_view kLampOff = "off";
inline constexpr std::string_view kLampNone = "none";
inline constexpr std::string_view kOperatorStop = "operator";

// A name as one topic level: the wildcards, the separator and control characters become "_".
std::string TopicLevel(std::string_view name);

// PREFIX/SITE/INSTANCE/LEAF with SITE and INSTANCE made topic levels.
std::string InstanceTopic(std::string_view prefix, std::string_view site, std::string_view instance,
                          std::string_view leaf);

// The parts of an instance topic, for a subscriber; false when `topic` is not one.
struct TopicParts {
    std::string site;
    std::string instance;
    std::string leaf;
};
bool SplitInstanceTopic(std::string_view prefix, std::string_view topic, TopicParts& parts);

}  // namespace quillon::fleet
