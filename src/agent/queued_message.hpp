// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace quillon::agent {

using WallTime = std::chrono::system_clock::time_point;

// One message as Quillon handed it over, with the time it was queued.
struct QueuedMessage {
    std::string name;  // the outbox file's name; sorts in queue order
    WallTime queued;
    std::string event_word;  // "Alarm@Line_3"
    std::string message;     // "14:03:07<br>DI710#Lab1<br>..."
    // When the launching program started this agent, in clock ticks since boot: launches
    // race to the clock, so this keeps merged messages in the order they were launched.
    long long launch = 0;

    std::string Serialized() const;
    static std::optional<QueuedMessage> Parse(const std::string& name, const std::string& text);

    std::string Event() const;     // "Alarm"
    std::string SenderId() const;  // "Line_3", or empty
    // The instance named on the message's second line ("DI710#Lab1", "WinDaq_ID=Lab1").
    std::string Instance() const;
    // The message's lines, split at "<br>".
    std::vector<std::string> Lines() const;
    // Messages of one key may be merged into one mail.
    std::string MergeKey() const { return Event() + "|" + SenderId() + "|" + Instance(); }
};

// The agent's own event words besides Quillon's "Alarm" and "WinDaq_Exits".
inline constexpr char kKeepAliveEvent[] = "KeepAlive";
inline constexpr char kTestEvent[] = "Test";

}  // namespace quillon::agent
