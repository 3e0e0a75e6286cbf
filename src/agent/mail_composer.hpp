// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

#include "agent/mail_settings.hpp"
#include "agent/queued_message.hpp"

namespace quillon::agent {

// One mail for one or more messages of the same event and instance: a subject to sort by, a
// first line that says what happened, the lines as Quillon sent them, as plain text and HTML.
class MailComposer {
public:
    explicit MailComposer(const MailSettings& settings) : settings_(settings) {}

    // "[Quillon] Alarm: Lab1 from Line_3", with the count when messages were merged.
    std::string Subject(const std::vector<QueuedMessage>& batch) const;
    // "Alarm on Lab1: #0>3.3 became true at 14:03:07".
    static std::string Headline(const QueuedMessage& message);
    // The body's paragraphs as plain text lines; `notes` come last (the agent's own words).
    std::vector<std::string> BodyLines(const std::vector<QueuedMessage>& batch,
                                       const std::vector<std::string>& notes) const;
    // The whole mail, headers and multipart/alternative body, lines ending in CR LF.
    std::string Compose(const std::vector<QueuedMessage>& batch,
                        const std::vector<std::string>& notes, WallTime now) const;

private:
    const MailSettings& settings_;
};

// A word for the event, as people say it: "Alarm", "Host exit", "Run stopped", "Run resumed",
// "Keep-alive", "Test".
std::string EventName(const std::string& event);

}  // namespace quillon::agent
