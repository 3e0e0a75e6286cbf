// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "agent/agent_state.hpp"
#include "agent/mail_settings.hpp"
#include "agent/outbox.hpp"
#include "agent/smtp_sender.hpp"

namespace quillon::agent {

// Empties the outbox in order. A message leaves it only once the server accepted the mail
// that carries it; failures are retried after growing delays; a message still there after
// its lifetime moves to failed/. Messages of one event and instance that are queued while
// one of theirs went out less than the merge window ago wait for the window's end and then
// leave together in one mail.
class Deliverer {
public:
    using Transport = std::function<SendResult(const std::string& mail)>;
    using Sleep = std::function<void(Seconds)>;

    Deliverer(Outbox& outbox, AgentState& state, const MailSettings& settings, Transport send,
              Sleep sleep);

    // What one step did.
    enum class Step { Empty, Sent, Failed, Waited };
    Step DeliverNext();

    const SendResult& LastResult() const { return last_result_; }
    // The names of the messages the last sent mail carried.
    const std::vector<std::string>& LastSentNames() const { return last_sent_; }

private:
    void ExpireOld(std::vector<QueuedMessage>& messages);
    WallTime ReadyAt(const QueuedMessage& message) const;
    std::vector<QueuedMessage> BatchOf(const std::vector<QueuedMessage>& messages,
                                       const QueuedMessage& first) const;
    std::vector<std::string> Notes(const std::vector<QueuedMessage>& batch,
                                   const std::vector<QueuedMessage>& queued) const;
    Step Send(const std::vector<QueuedMessage>& batch, const std::vector<QueuedMessage>& queued);

    Outbox& outbox_;
    AgentState& state_;
    const MailSettings& settings_;
    Transport send_;
    Sleep sleep_;
    int failures_ = 0;
    SendResult last_result_;
    std::vector<std::string> last_sent_;
    std::mt19937 random_{std::random_device{}()};
};

// Messages of one key are merged; a test message is always a mail of its own.
std::string MergeKeyOf(const QueuedMessage& message);

}  // namespace quillon::agent
