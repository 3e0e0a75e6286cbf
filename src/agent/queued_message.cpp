// SPDX-License-Identifier: MIT
#include "agent/queued_message.hpp"

#include <cstdint>

namespace quillon::agent {
namespace {

constexpr char kQueuedField[] = "queued=";
constexpr char kEventField[] = "event=";
constexpr char kMessageField[] = "message=";

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
    return std::string(kQueuedField) + std::to_string(nanoseconds) + "\n" + kEventField +
           event_word + "\n" + kMessageField + message;
}

std::optional<QueuedMessage> QueuedMessage::Parse(const std::string& name,
                                                  const std::string& text) {
    const std::size_t first_end = text.find('\n');
    const std::size_t second_end =
        first_end == std::string::npos ? std::string::npos : text.find('\n', first_end + 1);
    if (second_end == std::string::npos) {
        return std::nullopt;
    }
    const auto queued = Field(text.substr(0, first_end), kQueuedField);
    const auto event = Field(text.substr(first_end + 1, second_end - first_end - 1), kEventField);
    const auto message = Field(text.substr(second_end + 1), kMessageField);
    if (!queued || !event || !message || queued->empty() ||
        queued->find_first_not_of("0123456789") != std::string::npos || queued->size() > 19) {
        return std::nullopt;
    }
    QueuedMessage parsed;
    parsed.name = name;
    parsed.queued = WallTime(std::chrono::duration_cast<WallTime::duration>(
        std::chrono::nanoseconds(std::stoll(*queued))));
    parsed.event_word = *event;
    parsed.message = *message;
    return parsed;
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
