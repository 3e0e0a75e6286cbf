// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "agent/mail_settings.hpp"

namespace quillon::agent {

// A recipient the server refused, with its reply ("550 5.1.1 No such user").
struct RefusedRecipient {
    std::string address;
    std::string reply;
};

// What became of one attempt to hand a mail to the server.
struct SendResult {
    enum class Outcome {
        Accepted,        // the server took the mail for `delivered_to`
        Temporary,       // try again later: a 4xx reply, no connection, a time-out
        Permanent,       // a 5xx reply to this mail: trying again gives the same
        Authentication,  // the server refused the user name or password
    };
    Outcome outcome = Outcome::Temporary;
    std::string server_reply;  // the server's reply to the mail ("250 OK queued as ...")
    std::string error;         // why it was not accepted, in words
    std::vector<std::string> delivered_to;
    std::vector<RefusedRecipient> refused_for_now;   // 4xx to RCPT: to try again
    std::vector<RefusedRecipient> refused_for_good;  // 5xx to RCPT

    bool Accepted() const { return outcome == Outcome::Accepted; }
};

// Hands mails to the server with libcurl's SMTP: STARTTLS whenever the server offers it and
// required unless plain text is allowed explicitly, certificates checked against the system
// store or the private CA, the connection and the whole transfer bounded in time. A mail
// goes to every recipient the server accepts; the others are reported one by one.
class SmtpSender {
public:
    SmtpSender(const MailSettings& settings, std::string password)
        : settings_(settings), password_(std::move(password)) {}

    // Told the recipients the moment the server accepts the mail, before the goodbye: a kill
    // after that point must not send the mail again.
    using Accepted = std::function<void(const std::vector<std::string>& reached)>;

    SendResult Send(const std::string& mail, const std::vector<std::string>& recipients,
                    const Accepted& accepted = {}) const;

private:
    void SetServer(void* handle) const;

    const MailSettings& settings_;
    std::string password_;
};

}  // namespace quillon::agent
