// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "agent/agent_state.hpp"
#include "agent/mail_settings.hpp"
#include "agent/outbox.hpp"
#include "agent/sent_ledger.hpp"
#include "agent/smtp_sender.hpp"

namespace quillon::agent {

using SteadyTime = std::chrono::steady_clock::time_point;

// The deliverer's two clocks: the monotonic one for ages and waits, the wall clock to read
// and write the times in files.
struct DelivererClocks {
    std::function<SteadyTime()> steady = [] { return std::chrono::steady_clock::now(); };
    std::function<WallTime()> wall = [] { return std::chrono::system_clock::now(); };
};

// Empties the outbox in order, each message on its own schedule, so that no message holds up
// another for more than one attempt. A message leaves once every recipient has it (or refused
// it for good); a permanent refusal moves it to failed/ at once with the server's reply; a
// temporary one is retried after growing delays; a message attempted and still there after
// its lifetime moves to failed/. Messages of one event and instance queued while one of
// theirs went out less than the merge window ago wait for the window's end and then leave
// together in one mail. Within one deliverer's life every age and wait runs on the monotonic
// clock; times read from files that lie in the future count as now.
class Deliverer {
public:
    using Transport = std::function<SendResult(
        const std::string& mail, const std::vector<std::string>& to, const SmtpSender::Accepted&)>;
    // Waits up to the time given; returns early when new mail may have come.
    using Wait = std::function<void(Seconds)>;
    using Clocks = DelivererClocks;
    // Changes when the user name, password or server change: a refused login is tried again
    // at once then, else only every kLoginRetry.
    using Credentials = std::function<std::string()>;

    Deliverer(Outbox& outbox, AgentState& state, SentLedger& ledger, const MailSettings& settings,
              Transport send, Wait wait, Clocks clocks = DelivererClocks(),
              Credentials credentials = {});

    // What one step did.
    enum class Step { Empty, Sent, Failed, Waited };
    Step DeliverNext();
    // Whether any message still waits for this deliverer.
    bool HasWork();

    const SendResult& LastResult() const { return last_result_; }
    // The names of the messages the last attempt carried.
    const std::vector<std::string>& LastSentNames() const { return last_sent_; }

    static constexpr std::chrono::minutes kLoginRetry{10};
    static constexpr std::chrono::seconds kCredentialsCheck{2};

private:
    struct Schedule {
        SteadyTime queued;  // the message's age counts from here
        int attempts = 0;
        int failures = 0;
        SteadyTime next_attempt;
    };

    std::vector<QueuedMessage> Deliverable();
    Schedule& ScheduleOf(const QueuedMessage& message);
    SteadyTime FromWall(WallTime when) const;
    void ExpireOld(std::vector<QueuedMessage>& messages);
    SteadyTime ReadyAt(const QueuedMessage& message);
    SteadyTime DueAt(const QueuedMessage& message);
    std::optional<SteadyTime> LoginBlockedUntil();
    std::vector<std::string> Pending(const QueuedMessage& message) const;
    std::vector<QueuedMessage> BatchOf(const std::vector<QueuedMessage>& messages,
                                       const QueuedMessage& first);
    std::vector<std::string> Notes(const std::vector<QueuedMessage>& batch,
                                   const std::vector<QueuedMessage>& queued) const;
    Step Send(const std::vector<QueuedMessage>& batch, const std::vector<QueuedMessage>& queued);
    void RecordRecipients(const std::vector<QueuedMessage>& batch);
    void Accepted(const std::vector<QueuedMessage>& batch, const std::string& subject);
    void RefusedForGood(const std::vector<QueuedMessage>& batch);
    void RetryLater(const std::vector<QueuedMessage>& batch);
    void Finish(const std::string& name);
    void MoveToFailed(const std::string& name, const std::string& reason);

    Outbox& outbox_;
    AgentState& state_;
    SentLedger& ledger_;
    const MailSettings& settings_;
    Transport send_;
    Wait wait_;
    Clocks clocks_;
    Credentials credentials_;
    std::map<std::string, Schedule> schedules_;
    std::map<std::string, SteadyTime> last_sent_by_key_;
    std::set<std::string> done_;  // sent or failed by this deliverer, whatever the files say
    int server_failures_ = 0;     // attempts in a row that reached no server
    std::optional<SteadyTime> server_back_at_;
    std::optional<SteadyTime> login_retry_at_;
    std::string refused_credentials_;
    SendResult last_result_;
    std::vector<std::string> last_sent_;
    std::mt19937 random_{std::random_device{}()};
};

// Messages of one key are merged; a test message is always a mail of its own.
std::string MergeKeyOf(const QueuedMessage& message);

}  // namespace quillon::agent
