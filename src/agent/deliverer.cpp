// SPDX-License-Identifier: MIT
#include "agent/deliverer.hpp"

#include <algorithm>

#include "agent/mail_composer.hpp"
#include "agent/retry_delay.hpp"

namespace quillon::agent {
namespace {

std::string Count(std::size_t count, const std::string& what) {
    return std::to_string(count) + " " + what + (count == 1 ? "" : "s");
}

std::string Milliseconds(Seconds delay) {
    return std::to_string(static_cast<long long>(delay.count() * 1000)) + " ms";
}

SteadyTime::duration Steady(Seconds seconds) {
    return std::chrono::duration_cast<SteadyTime::duration>(seconds);
}

std::string Joined(const std::vector<std::string>& items) {
    std::string text;
    for (const std::string& item : items) {
        text += (text.empty() ? "" : ", ") + item;
    }
    return text;
}

// Merged messages in the order they were launched; the queue order where that is unknown.
std::vector<QueuedMessage> InLaunchOrder(std::vector<QueuedMessage> batch) {
    const bool all_known =
        std::all_of(batch.begin(), batch.end(),
                    [](const QueuedMessage& message) { return message.launch > 0; });
    if (all_known) {
        std::stable_sort(
            batch.begin(), batch.end(),
            [](const QueuedMessage& a, const QueuedMessage& b) { return a.launch < b.launch; });
    }
    return batch;
}

}  // namespace

std::string MergeKeyOf(const QueuedMessage& message) {
    return message.Event() == kTestEvent ? message.name : message.MergeKey();
}

Deliverer::Deliverer(Outbox& outbox, AgentState& state, SentLedger& ledger,
                     const MailSettings& settings, Transport send, Wait wait, Clocks clocks,
                     Credentials credentials)
    : outbox_(outbox),
      state_(state),
      ledger_(ledger),
      settings_(settings),
      send_(std::move(send)),
      wait_(std::move(wait)),
      clocks_(std::move(clocks)),
      credentials_(std::move(credentials)) {
    ledger_.Load();
}

// The outbox's messages less those that are done; files of done messages that could not be
// removed before are removed now when they can be.
std::vector<QueuedMessage> Deliverer::Deliverable() {
    std::vector<QueuedMessage> messages = outbox_.Messages();
    std::set<std::string> present;
    for (const QueuedMessage& message : messages) {
        present.insert(message.name);
    }
    const auto done = [&](const QueuedMessage& message) {
        if (done_.count(message.name) == 0 && !ledger_.Finished(message.name)) {
            return false;
        }
        std::string ignored;
        if (outbox_.Remove(message.name, ignored)) {
            present.erase(message.name);
        }
        return true;
    };
    messages.erase(std::remove_if(messages.begin(), messages.end(), done), messages.end());
    ledger_.KeepOnly(present);
    return messages;
}

bool Deliverer::HasWork() {
    return !Deliverable().empty();
}

SteadyTime Deliverer::FromWall(WallTime when) const {
    const auto ago = clocks_.wall() - when;
    return clocks_.steady() - std::chrono::duration_cast<SteadyTime::duration>(
                                  std::max(ago, WallTime::duration::zero()));
}

Deliverer::Schedule& Deliverer::ScheduleOf(const QueuedMessage& message) {
    const auto found = schedules_.find(message.name);
    if (found != schedules_.end()) {
        return found->second;
    }
    Schedule schedule;
    schedule.queued = FromWall(message.queued);
    return schedules_.emplace(message.name, schedule).first->second;
}

Deliverer::Step Deliverer::DeliverNext() {
    std::vector<QueuedMessage> messages = Deliverable();
    ExpireOld(messages);
    if (messages.empty()) {
        return Step::Empty;
    }
    state_.Reload();
    const SteadyTime now = clocks_.steady();
    std::optional<SteadyTime> earliest = LoginBlockedUntil();
    if (earliest) {
        // A fixed password or setting is noticed within seconds.
        earliest = std::min(*earliest, now + kCredentialsCheck);
    }
    if (!earliest) {
        for (const QueuedMessage& message : messages) {
            const SteadyTime due = DueAt(message);
            if (due <= now) {
                return Send(BatchOf(messages, message), messages);
            }
            earliest = std::min(earliest.value_or(due), due);
        }
    }
    // A message that has been tried may reach its lifetime in the meantime.
    for (const QueuedMessage& message : messages) {
        const Schedule& schedule = ScheduleOf(message);
        if (schedule.attempts > 0) {
            earliest = std::min(*earliest, schedule.queued + Steady(settings_.message_lifetime));
        }
    }
    // Whole milliseconds, rounded up: a wait never ends a hair before what it waits for.
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*earliest - now);
    wait_(std::max(Seconds(0), Seconds(wait)));
    return Step::Waited;
}

void Deliverer::ExpireOld(std::vector<QueuedMessage>& messages) {
    const SteadyTime now = clocks_.steady();
    const auto expired = [&](const QueuedMessage& message) {
        const Schedule& schedule = ScheduleOf(message);
        if (schedule.attempts == 0 || now - schedule.queued < Steady(settings_.message_lifetime)) {
            return false;
        }
        MoveToFailed(
            message.name,
            "not delivered within " +
                std::to_string(static_cast<long long>(settings_.message_lifetime.count())) +
                " s (MessageLifetime); the last attempt: " + state_.Value("Failure").value_or(""));
        return true;
    };
    messages.erase(std::remove_if(messages.begin(), messages.end(), expired), messages.end());
}

SteadyTime Deliverer::ReadyAt(const QueuedMessage& message) {
    const SteadyTime queued = ScheduleOf(message).queued;
    const std::string key = MergeKeyOf(message);
    auto last = last_sent_by_key_.find(key);
    if (last == last_sent_by_key_.end()) {
        const std::optional<WallTime> sent = state_.LastSent(key);
        if (!sent) {
            return queued;
        }
        last = last_sent_by_key_.emplace(key, FromWall(*sent)).first;
    }
    return std::max(queued, last->second + Steady(settings_.merge_window));
}

// A message never tried goes as soon as its merge window allows; one that failed waits for
// its own next attempt, and while no server answers, for the server's.
SteadyTime Deliverer::DueAt(const QueuedMessage& message) {
    const SteadyTime ready = ReadyAt(message);
    const Schedule& schedule = ScheduleOf(message);
    if (schedule.failures == 0) {
        return ready;
    }
    SteadyTime due = std::max(ready, schedule.next_attempt);
    if (server_back_at_) {
        due = std::max(due, *server_back_at_);
    }
    return due;
}

// After a refused login nothing is tried for a while, unless the credentials changed.
std::optional<SteadyTime> Deliverer::LoginBlockedUntil() {
    if (!login_retry_at_) {
        return std::nullopt;
    }
    const bool changed = credentials_ && credentials_() != refused_credentials_;
    if (changed || clocks_.steady() >= *login_retry_at_) {
        login_retry_at_.reset();
        state_.SetValues({{"LoginRefusedAt", ""}});
        return std::nullopt;
    }
    return login_retry_at_;
}

std::vector<std::string> Deliverer::Pending(const QueuedMessage& message) const {
    const std::set<std::string> reached = ledger_.Reached(message.name);
    std::vector<std::string> pending;
    for (const MailAddress& to : settings_.to) {
        if (reached.count(to.address) == 0 &&
            std::find(pending.begin(), pending.end(), to.address) == pending.end()) {
            pending.push_back(to.address);
        }
    }
    return pending;
}

// The messages of the first one's key that are ready and still need the same recipients.
std::vector<QueuedMessage> Deliverer::BatchOf(const std::vector<QueuedMessage>& messages,
                                              const QueuedMessage& first) {
    std::vector<QueuedMessage> batch;
    const std::string key = MergeKeyOf(first);
    const std::vector<std::string> recipients = Pending(first);
    const SteadyTime now = clocks_.steady();
    for (const QueuedMessage& message : messages) {
        if (MergeKeyOf(message) == key && Pending(message) == recipients &&
            ReadyAt(message) <= now) {
            batch.push_back(message);
        }
    }
    return batch;
}

std::vector<std::string> Deliverer::Notes(const std::vector<QueuedMessage>& batch,
                                          const std::vector<QueuedMessage>& queued) const {
    std::vector<std::string> notes;
    const std::size_t failed = outbox_.FailedCount();
    if (failed > 0) {
        notes.push_back("Note: " + Count(failed, "earlier message") + " could not be delivered " +
                        (failed == 1 ? "and is" : "and are") + " kept in " +
                        outbox_.FailedFolder().string() + " (pellomar --status lists them).");
    }
    if (batch.front().Event() == kKeepAliveEvent) {
        const std::size_t waiting = queued.size() - batch.size();
        std::string line = "Outbox: " + Count(waiting, "other message") + " waiting";
        for (const QueuedMessage& message : queued) {
            if (MergeKeyOf(message) != MergeKeyOf(batch.front())) {
                line += "; the oldest queued at " + TimeText(message.queued);
                break;
            }
        }
        notes.push_back(line + ".");
    }
    return notes;
}

Deliverer::Step Deliverer::Send(const std::vector<QueuedMessage>& batch,
                                const std::vector<QueuedMessage>& queued) {
    const std::vector<std::string> recipients = Pending(batch.front());
    last_sent_.clear();
    for (const QueuedMessage& message : batch) {
        last_sent_.push_back(message.name);
    }
    if (recipients.empty()) {  // the recipients changed: everyone left has it
        for (const QueuedMessage& message : batch) {
            Finish(message.name);
        }
        return Step::Sent;
    }
    const MailComposer composer(settings_);
    const std::vector<QueuedMessage> ordered = InLaunchOrder(batch);
    const std::string subject = composer.Subject(ordered);
    for (const QueuedMessage& message : batch) {
        ++ScheduleOf(message).attempts;
    }
    // Reached recipients go into the ledger the moment the server takes the mail.
    const SmtpSender::Accepted record = [&](const std::vector<std::string>& reached) {
        for (const QueuedMessage& message : batch) {
            for (const std::string& address : reached) {
                std::string ignored;  // a failure is reported with the outcome
                ledger_.Record(message.name, address, ignored);
            }
        }
    };
    last_result_ =
        send_(composer.Compose(ordered, Notes(batch, queued), clocks_.wall()), recipients, record);
    RecordRecipients(batch);
    const bool server_answered = !last_result_.server_reply.empty();
    server_failures_ = server_answered ? 0 : server_failures_ + 1;
    if (server_answered) {
        server_back_at_.reset();
    }
    switch (last_result_.outcome) {
        case SendResult::Outcome::Accepted:
            Accepted(batch, subject);
            return Step::Sent;
        case SendResult::Outcome::Permanent:
            RefusedForGood(batch);
            return Step::Failed;
        case SendResult::Outcome::Authentication:
            login_retry_at_ = clocks_.steady() + kLoginRetry;
            refused_credentials_ = credentials_ ? credentials_() : "";
            state_.RecordFailure(last_result_.error, clocks_.wall());
            state_.SetValues({{"LoginRefusedAt", TimeText(clocks_.wall())}});
            state_.Log("login refused: " + last_result_.error +
                       "; tried again in 10 min, or at once when the settings or the password "
                       "file change");
            return Step::Failed;
        case SendResult::Outcome::Temporary:
            RetryLater(batch);
            return Step::Failed;
    }
    return Step::Failed;
}

// Every recipient reached or refused for good is in the ledger before anything else happens.
void Deliverer::RecordRecipients(const std::vector<QueuedMessage>& batch) {
    const WallTime now = clocks_.wall();
    std::vector<std::string> settled = last_result_.delivered_to;
    for (const RefusedRecipient& refused : last_result_.refused_for_good) {
        settled.push_back(refused.address);
        state_.RecordRecipient(refused.address, refused.reply, true, now);
        state_.Log("recipient " + refused.address + " refused for good: " + refused.reply);
    }
    for (const RefusedRecipient& refused : last_result_.refused_for_now) {
        state_.RecordRecipient(refused.address, refused.reply, false, now);
        state_.Log("recipient " + refused.address + " refused for now: " + refused.reply);
    }
    for (const std::string& address : last_result_.delivered_to) {
        state_.RecordRecipient(address, "", false, now);
    }
    for (const QueuedMessage& message : batch) {
        for (const std::string& address : settled) {
            std::string error;
            if (!ledger_.Record(message.name, address, error)) {
                state_.Log("ERROR: " + error);
                state_.SetValues({{"StateError", error}});
            }
        }
    }
}

void Deliverer::Accepted(const std::vector<QueuedMessage>& batch, const std::string& subject) {
    last_sent_by_key_[MergeKeyOf(batch.front())] = clocks_.steady();
    state_.RecordDelivery(
        MergeKeyOf(batch.front()), subject, last_result_.server_reply, clocks_.wall(),
        std::chrono::seconds(static_cast<long long>(settings_.merge_window.count()) + 1));
    state_.Log("delivered " + Count(batch.size(), "message") + " to " +
               Joined(last_result_.delivered_to) + ": " + subject +
               "; server: " + last_result_.server_reply);
    bool all_reached = true;
    for (const QueuedMessage& message : batch) {
        if (Pending(message).empty()) {
            Finish(message.name);
        } else {
            all_reached = false;
        }
    }
    if (!all_reached) {
        RetryLater(batch);
    }
}

void Deliverer::RefusedForGood(const std::vector<QueuedMessage>& batch) {
    state_.RecordFailure(last_result_.error, clocks_.wall());
    for (const QueuedMessage& message : batch) {
        MoveToFailed(message.name, "refused by the server: " + last_result_.error);
    }
}

void Deliverer::RetryLater(const std::vector<QueuedMessage>& batch) {
    const SteadyTime now = clocks_.steady();
    int failures = 0;
    for (const QueuedMessage& message : batch) {
        failures = std::max(failures, ScheduleOf(message).failures + 1);
    }
    const double random01 = std::uniform_real_distribution<double>(0.0, 1.0)(random_);
    const Seconds delay =
        RetryDelay(failures, settings_.first_retry, settings_.longest_retry, random01);
    for (const QueuedMessage& message : batch) {
        Schedule& schedule = ScheduleOf(message);
        schedule.failures = failures;
        schedule.next_attempt = now + Steady(delay);
    }
    if (server_failures_ > 0) {
        server_back_at_ = now + Steady(RetryDelay(server_failures_, settings_.first_retry,
                                                  settings_.longest_retry, random01));
    }
    const std::string why =
        last_result_.Accepted() ? "some recipients refused it for now" : last_result_.error;
    if (!last_result_.Accepted()) {
        state_.RecordFailure(last_result_.error, clocks_.wall());
    }
    state_.Log("not delivered (" + Count(batch.size(), "message") + "): " + why + "; next try in " +
               Milliseconds(delay));
}

// Done: in the ledger first, so that a file that cannot be removed is not sent again.
void Deliverer::Finish(const std::string& name) {
    done_.insert(name);
    std::string ledger_error;
    const bool recorded = ledger_.Finish(name, ledger_error);
    std::string error;
    if (outbox_.Remove(name, error)) {
        if (!state_.Value("StateError").value_or("").empty()) {
            state_.SetValues({{"StateError", ""}});
        }
        return;
    }
    const std::string what = "cannot remove the sent message " + name + ": " + error +
                             (recorded ? "; it is marked as sent in " +
                                             state_.LedgerPath().string() + " and is not sent again"
                                       : "; nor can it be marked as sent (" + ledger_error +
                                             "): the next deliverer may send it again");
    state_.Log("ERROR: " + what);
    state_.SetValues({{"StateError", what}});
}

void Deliverer::MoveToFailed(const std::string& name, const std::string& reason) {
    done_.insert(name);
    std::string ignored;
    ledger_.Finish(name, ignored);
    std::string error;
    const bool moved = outbox_.MoveToFailed(name, reason, error);
    state_.Log("gave up on " + name + ": " + reason + (moved ? "; moved to " : "; NOT moved to ") +
               outbox_.FailedFolder().string() + (moved ? "" : ": " + error));
    if (!moved) {
        state_.SetValues({{"StateError", "cannot move " + name + " to failed/: " + error}});
    }
}

}  // namespace quillon::agent
