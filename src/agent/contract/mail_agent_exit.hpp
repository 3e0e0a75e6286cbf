// SPDX-License-Identifier: MIT
#pragma once

#include <string>

namespace quillon {

// What the e-mail agent's exit status tells the program that launched it. Every status but
// NotQueued and BadCommandLine means the message is safely in the outbox: the others name
// what keeps it from leaving.
enum class MailAgentExit : int {
    Queued = 0,
    NotQueued = 1,
    BadCommandLine = 2,
    MailSettingsIncomplete = 3,
    PasswordFileUnusable = 4,
    NotDelivered = 5,           // pellomar --test only: queued, not accepted by the server in time
    DelivererLockUnusable = 6,  // queued, but no deliverer can run: its lock file is unusable
};

// The status line's words for an agent's exit status ("queued", or its complaint).
inline std::string MailAgentExitText(int status) {
    switch (static_cast<MailAgentExit>(status)) {
        case MailAgentExit::Queued:
            return "queued";
        case MailAgentExit::NotQueued:
            return "not sent: the agent could not write its outbox (pellomar --status says why)";
        case MailAgentExit::BadCommandLine:
            return "not sent: the agent refused its command line";
        case MailAgentExit::MailSettingsIncomplete:
            return "queued, but it cannot leave: the [Mail] section of pellomar.ini is missing "
                   "or incomplete (pellomar --status says what)";
        case MailAgentExit::PasswordFileUnusable:
            return "queued, but it cannot leave: the mail password file is missing or others "
                   "can read it (pellomar --status says which)";
        case MailAgentExit::NotDelivered:
            return "queued, but the server did not accept it yet";
        case MailAgentExit::DelivererLockUnusable:
            return "queued, but it cannot leave: the agent's deliverer.lock cannot be opened "
                   "(pellomar --status says why)";
    }
    return "not sent: the agent ended with status " + std::to_string(status);
}

}  // namespace quillon
