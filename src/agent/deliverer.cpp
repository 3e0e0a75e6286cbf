// SPDX-License-Identifier: MIT
#include "agent/deliverer.hpp"

#include <algorithm>

#include "agent/mail_composer.hpp"
#include "agent/retry_delay.hpp"

namespace quillon::agent {
namespace {

WallTime Now() {
    return std::chrono::system_clock::now();
}

std::string Count(std::size_t count, const std::string& what) {
    return std::to_string(count) + " " + what + (count == 1 ? "" : "s");
}

}  // namespace

std::string MergeKeyOf(const QueuedMessage& message) {
    return message.Event() == kTestEvent ? message.name : message.MergeKey();
}

Deliverer::Deliverer(Outbox& outbox, AgentState& state, const MailSettings& settings,
                     Transport send, Sleep sleep)
    : outbox_(outbox),
      state_(state),
      settings_(settings),
      send_(std::move(send)),
      sleep_(std::move(sleep)) {}

Deliverer::Step Deliverer::DeliverNext() {
    outbox_.RemoveStaleTemporaries(std::chrono::seconds(60));
    std::vector<QueuedMessage> messages = outbox_.Messages();
    ExpireOld(messages);
    if (messages.empty()) {
        return Step::Empty;
    }
    state_.Reload();
    const WallTime now = Now();
    std::optional<WallTime> earliest;
    for (const QueuedMessage& message : messages) {
        const WallTime ready = ReadyAt(message);
        if (ready <= now) {
            return Send(BatchOf(messages, message), messages);
        }
        earliest = std::min(earliest.value_or(ready), ready);
    }
    // Every message waits for its merge window; nothing else is due before the first ends.
    sleep_(std::min<Seconds>(*earliest - now, settings_.merge_window));
    return Step::Waited;
}

void Deliverer::ExpireOld(std::vector<QueuedMessage>& messages) {
    const WallTime now = Now();
    const auto expired = [&](const QueuedMessage& message) {
        if (now - message.queued < settings_.message_lifetime) {
            return false;
        }
        std::string error;
        const bool moved = outbox_.MoveToFailed(message.name, error);
        state_.Log("gave up on " + message.name + " after " +
                   std::to_string(static_cast<long long>(settings_.message_lifetime.count())) +
                   " s: moved to " + outbox_.FailedFolder().string() + (moved ? "" : ": " + error));
        return moved;
    };
    messages.erase(std::remove_if(messages.begin(), messages.end(), expired), messages.end());
}

WallTime Deliverer::ReadyAt(const QueuedMessage& message) const {
    const std::optional<WallTime> last = state_.LastSent(MergeKeyOf(message));
    if (!last) {
        return message.queued;
    }
    const auto window_end =
        *last + std::chrono::duration_cast<WallTime::duration>(settings_.merge_window);
    return std::max(message.queued, window_end);
}

std::vector<QueuedMessage> Deliverer::BatchOf(const std::vector<QueuedMessage>& messages,
                                              const QueuedMessage& first) const {
    std::vector<QueuedMessage> batch;
    const std::string key = MergeKeyOf(first);
    for (const QueuedMessage& message : messages) {
        if (MergeKeyOf(message) == key) {
            batch.push_back(message);
        }
    }
    return batch;
}

std::vector<std::string> Deliverer::Notes(const std::vector<QueuedMessage>& batch,
                                          const std::vector<QueuedMessage>& queued) const {
    std::vector<std::string> notes;
    const std::size_t failed = outbox_.FailedMessages().size();
    if (failed > 0) {
        notes.push_back("Note: " + Count(failed, "earlier message") +
                        " could not be delivered in time and " + (failed == 1 ? "is" : "are") +
                        " kept in " + outbox_.FailedFolder().string() +
                        " (pellomar --status lists them).");
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
    const MailComposer composer(settings_);
    last_result_ = send_(composer.Compose(batch, Notes(batch, queued), Now()));
    if (!last_result_.accepted) {
        ++failures_;
        state_.RecordFailure(last_result_.error, Now());
        const Seconds delay = RetryDelay(failures_, settings_.first_retry, settings_.longest_retry,
                                         std::uniform_real_distribution<double>(0.0, 1.0)(random_));
        state_.Log("not delivered (" + Count(batch.size(), "message") + "): " + last_result_.error +
                   "; next try in " + std::to_string(static_cast<int>(delay.count() * 1000)) +
                   " ms");
        sleep_(delay);
        return Step::Failed;
    }
    failures_ = 0;
    state_.RecordDelivery(MergeKeyOf(batch.front()), composer.Subject(batch),
                          last_result_.server_reply, Now());
    last_sent_.clear();
    for (const QueuedMessage& message : batch) {
        std::string error;
        if (!outbox_.Remove(message.name, error)) {
            state_.Log(error);
        }
        last_sent_.push_back(message.name);
    }
    state_.Log("delivered " + Count(batch.size(), "message") + ": " + composer.Subject(batch) +
               "; server: " + last_result_.server_reply);
    return Step::Sent;
}

}  // namespace quillon::agent
