// SPDX-License-Identifier: MIT
#pragma once

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "agent/agent_request.hpp"
#include "agent/agent_state.hpp"
#include "agent/deliverer_lock.hpp"
#include "agent/mail_settings.hpp"
#include "agent/outbox.hpp"
#include "agent/smtp_sender.hpp"

namespace quillon::agent {

// The pellomar program: queues what Quillon hands it, and delivers the outbox in a process
// of its own unless another one already does (which a new message then wakes); answers
// --status and --test.
class AgentProgram {
public:
    AgentProgram(std::filesystem::path settings_file, const std::filesystem::path& state_folder,
                 std::ostream& out, std::ostream& err);

    // The exit status: one of MailAgentExit.
    int Run(const std::vector<std::string>& arguments);

private:
    int Queue(const AgentRequest& request);
    int Status();
    int Test();
    // Why mail cannot leave now (settings or password file), printed; nothing when it can.
    std::optional<int> MailBlocked(std::ostream& to);
    // Settings values refused and replaced by their defaults, printed; their number.
    std::size_t PrintRefused(std::ostream& to) const;
    // Hands delivery to a child of its own session, unless another deliverer runs. An error
    // status when no deliverer can run at all.
    std::optional<int> StartDeliverer(std::ostream& to);
    // Delivers until the outbox is empty, taking the lock again for what came in late. Any
    // failure ends it with a line in the log; the next launch starts a new one.
    void DeliverAsLongAsQueued(DelivererLock lock);
    void DeliverGuarded(DelivererLock lock);
    void ReloadSettings();
    void PrintDeliverer();
    void PrintMessages(const std::vector<QueuedMessage>& messages);
    void PrintFailed();
    void PrintRecipients();
    std::optional<std::string> Password(std::string& error) const;
    // What a changed login would change: the settings' text and the password.
    std::string Credentials() const;
    // One attempt with the settings and password as they are now.
    SendResult SendNow(const std::string& mail, const std::vector<std::string>& to,
                       const SmtpSender::Accepted& accepted) const;
    bool WaitForOutcome(const std::string& name, const std::string& failures_before);

    WallTime started_;  // first thing: the closest the agent gets to its launch
    std::filesystem::path settings_file_;
    AgentState state_;
    Outbox outbox_;
    MailSettings settings_;
    std::ostream& out_;
    std::ostream& err_;
};

}  // namespace quillon::agent
