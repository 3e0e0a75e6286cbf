// SPDX-License-Identifier: MIT
#include "agent/mail_composer.hpp"

#include <unistd.h>

#include <ctime>
#include <random>

#include "agent/mime_text.hpp"
#include "platform/local_time.hpp"

namespace quillon::agent {
namespace {

std::string LineOr(const std::vector<std::string>& lines, std::size_t index) {
    return index < lines.size() ? lines[index] : std::string();
}

// The exit message starts with the date and time run together: "12-08-202614:03:07".
std::string SplitDateTime(const std::string& stamp) {
    return stamp.size() == 18 ? stamp.substr(0, 10) + " " + stamp.substr(10) : stamp;
}

// The stream's classic locale writes the English day and month names mail wants.
std::string DateHeader(WallTime now) {
    return LocalTimeText(now, "%a, %d %b %Y %H:%M:%S %z");
}

std::string Joined(const std::vector<std::string>& items, const std::string& separator) {
    std::string text;
    for (const std::string& item : items) {
        text += (text.empty() ? "" : separator) + item;
    }
    return text;
}

std::string Boundary() {
    std::random_device random;
    return "=_pellomar_" + std::to_string(random()) + std::to_string(random());
}

}  // namespace

std::string EventName(const std::string& event) {
    if (event == "WinDaq_Exits") {
        return "Host exit";
    }
    if (event == kKeepAliveEvent) {
        return "Keep-alive";
    }
    if (event == "RunStopped") {
        return "Run stopped";
    }
    if (event == "RunResumed") {
        return "Run resumed";
    }
    return event;
}

std::string MailComposer::Headline(const QueuedMessage& message) {
    const std::vector<std::string> lines = message.Lines();
    const std::string event = message.Event();
    const std::string instance = message.Instance();
    if (event == "Alarm") {
        return "Alarm on " + instance + ": " + LineOr(lines, 2) + " became true at " +
               LineOr(lines, 0);
    }
    if (event == "WinDaq_Exits") {
        return "Host exit on " + instance + " at " + SplitDateTime(LineOr(lines, 0));
    }
    if (event == kKeepAliveEvent) {
        return "Keep-alive from " + instance + " at " + LineOr(lines, 0) + ": all quiet";
    }
    if (event == kTestEvent) {
        return "Test e-mail from pellomar, queued at " + LineOr(lines, 0);
    }
    return EventName(event) + " on " + instance + " at " + LineOr(lines, 0);
}

std::string MailComposer::Subject(const std::vector<QueuedMessage>& batch) const {
    const QueuedMessage& first = batch.front();
    std::string subject = settings_.subject_prefix.empty() ? "" : settings_.subject_prefix + " ";
    subject += EventName(first.Event()) + ": " + first.Instance();
    if (!first.SenderId().empty()) {
        subject += " from " + first.SenderId();
    }
    if (batch.size() > 1) {
        subject += " (" + std::to_string(batch.size()) + " times)";
    }
    return subject;
}

std::vector<std::string> MailComposer::BodyLines(const std::vector<QueuedMessage>& batch,
                                                 const std::vector<std::string>& notes) const {
    std::vector<std::string> body;
    if (batch.size() > 1) {
        std::vector<std::string> times;
        for (const QueuedMessage& message : batch) {
            times.push_back(LineOr(message.Lines(), 0));
        }
        body.push_back(EventName(batch.front().Event()) + " on " + batch.front().Instance() + ", " +
                       std::to_string(batch.size()) + " times: " + Joined(times, ", "));
        body.push_back("");
    }
    for (std::size_t index = 0; index < batch.size(); ++index) {
        std::string headline = MailComposer::Headline(batch[index]);
        if (batch.size() > 1) {
            headline =
                std::to_string(index + 1) + " of " + std::to_string(batch.size()) + ": " + headline;
        }
        body.push_back(headline);
        for (const std::string& line : batch[index].Lines()) {
            body.push_back(line);
        }
        body.push_back("");
    }
    for (const std::string& note : notes) {
        body.push_back(note);
    }
    return body;
}

std::string MailComposer::Compose(const std::vector<QueuedMessage>& batch,
                                  const std::vector<std::string>& notes, WallTime now) const {
    const std::vector<std::string> lines = BodyLines(batch, notes);
    const std::string boundary = Boundary();
    std::string mail;
    mail += "Date: " + DateHeader(now) + "\r\n";
    std::vector<std::string> to;
    for (const MailAddress& address : settings_.to) {
        to.push_back(address.HeaderText());
    }
    mail += "From: " + settings_.from.HeaderText() + "\r\n";
    const std::string one_line = Joined(to, ", ");
    mail += "To: " + (one_line.size() + 4 <= 78 ? one_line : Joined(to, ",\r\n ")) + "\r\n";
    mail += HeaderField("Subject", Subject(batch));
    mail +=
        "Message-ID: <" + boundary.substr(2) + "." + std::to_string(getpid()) + "@pellomar>\r\n";
    mail += "MIME-Version: 1.0\r\n";
    mail += "Content-Type: multipart/alternative; boundary=\"" + boundary + "\"\r\n\r\n";
    mail += "--" + boundary + "\r\n";
    mail += "Content-Type: text/plain; charset=utf-8\r\n";
    mail += "Content-Transfer-Encoding: quoted-printable\r\n\r\n";
    mail += QuotedPrintable(Joined(lines, "\n") + "\n") + "\r\n";
    mail += "--" + boundary + "\r\n";
    mail += "Content-Type: text/html; charset=utf-8\r\n";
    mail += "Content-Transfer-Encoding: quoted-printable\r\n\r\n";
    mail += QuotedPrintable(HtmlDocument(lines)) + "\r\n";
    mail += "--" + boundary + "--\r\n";
    return mail;
}

}  // namespace quillon::agent
