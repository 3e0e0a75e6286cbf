// SPDX-License-Identifier: MIT
#include "agent/queued_message.hpp"

#include <cstdint>

#include "agent/printable_text.hpp"

namespace quillon::agent {
namespace {

constexpr char kQueuedField[] = "queued=";
constexpr char kEventField[] = "event=";
constexpr char kMessageField[] = "message=";
constexpr char kLaunchField[] = "launch=";

std::optional<std::string> Field(const std::string& line, const std::string& prefix) {
    if (line.rfind(prefix, 0) != 0) {
        return std::nullopt;
    }
    return line.substr(prefix.size());
}

}  // namespace

// The message comes last, so that whatever characters it holds it reads back whole.
std::string QueuedMessage::Serialized() const {
    const auto nanoseconds =
        std::chrono::duration_cast<std::chrono::nanoseconds>(queued.time_since_epoch()).count();
    std::string text = std::string(kQueuedField) + std::to_string(nanoseconds) + "\n";
    if (launch > 0) {
        text += std::string(kLaunchField) + std::to_string(launch) + "\n";
    }
    return text + kEventField + event_word + "\n" + kMessageField + message;
}

// Fields one per line, the message last; a field this version does not know is skipped, so
// that a later version's files still read.
std::optional<QueuedMessage> QueuedMessage::Parse(const std::string& name,
                                                  const std::string& text) {
    QueuedMessage parsed;
    parsed.name = name;
    bool have_queued = false;
    bool have_event = false;
    std::size_t begin = 0;
    while (begin < text.size()) {
        if (const auto message = Field(text.substr(begin), kMessageField)) {
            if (!have_queued || !have_event) {
                return std::nullopt;
            }
            parsed.message = *message;
            return parsed;
        }
        const std::size_t end = text.find('\n', begin);
        if (end == std::string::npos) {
            return std::nullopt;
        }
        const std::string line = text.substr(begin, end - begin);
        if (const auto queued = Field(line, kQueuedField)) {
            const std::optional<long long> nanoseconds = WholeInteger(*queued);
            if (!nanoseconds || *nanoseconds < 0) {
                return std::nullopt;
            }
            parsed.queued = WallTime(std::chrono::duration_cast<WallTime::duration>(
                std::chrono::nanoseconds(*nanoseconds)));
            have_queued = true;
        } else if (const auto event = Field(line, kEventField)) {
            parsed.event_word = *event;
            have_event = true;
        } else if (const auto launch = Field(line, kLaunchField)) {
            parsed.launch = WholeInteger(*launch).value_or(0);
        }
        begin = end + 1;
    }
    return std::nullopt;
}

std::string QueuedMessage::Event() const {
    return event_word.substr(0, event_word.find('@'));
}

std::string QueuedMessage::SenderId() const {
    const std::size_t at = event_word.find('@');
    return at == std::string::npos ? std::string() : event_word.substr(at + 1);
}

std::vector<std::string> QueuedMessage::Lines() const {
    static const std::string kBreak = "<br>";
    std::vector<std::string> lines;
    std::size_t begin = 0;
    for (std::size_t at = message.find(kBreak); at != std::string::npos;
         at = message.find(kBreak, begin)) {
        lines.push_back(message.substr(begin, at - begin));
        begin = at + kBreak.size();
    }
    if (begin < message.size()) {
        lines.push_back(message.substr(begin));
    }
    return lines;
}

std::string QueuedMessage::Instance() const {
    const std::vector<std::string> lines = Lines();
    if (lines.size() < 2) {
        return "";
    }
    const std::string& second = lines[1];
    const std::size_t mark = second.find_first_of("#=");
    return mark == std::string::npos ? second : second.substr(mark + 1);
}

}  // namespace quillon::agent
