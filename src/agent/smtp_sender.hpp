// SPDX-License-Identifier: MIT
#pragma once

#include <string>

#include "agent/mail_settings.hpp"

namespace quillon::agent {

// What became of one attempt to hand a mail to the server.
struct SendResult {
    bool accepted = false;
    std::string server_reply;  // the server's last reply to the mail ("250 OK queued as ...")
    std::string error;         // why it was not accepted, in words
};

// Hands mails to the server with libcurl's SMTP: STARTTLS required for smtp:// unless plain
// text is allowed explicitly, certificates checked against the system store or the private
// CA, bounded connect and transfer times.
class SmtpSender {
public:
    SmtpSender(const MailSettings& settings, std::string password)
        : settings_(settings), password_(std::move(password)) {}

    SendResult Send(const std::string& mail) const;

private:
    void SetServer(void* handle) const;

    const MailSettings& settings_;
    std::string password_;
};

}  // namespace quillon::agent
