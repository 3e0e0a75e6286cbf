// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "agent/queued_message.hpp"

namespace quillon::agent {

// A message given up on, as failed/ keeps it: the file, and why.
struct FailedMessage {
    std::string name;
    std::optional<QueuedMessage> message;  // nothing when the file does not read as one
    std::string reason;
};

// The queue of messages not yet accepted by a mail server: one file per message in
// outbox/, in the order of their names; messages given up on move to failed/, each with a
// NAME.reason file beside it. Every change is durable before it returns, so a kill at any
// moment loses nothing.
class Outbox {
public:
    explicit Outbox(const std::filesystem::path& state_folder);

    // Writes the message durably; its file name, or nothing with the reason in `error`.
    std::optional<std::string> Enqueue(const QueuedMessage& message, std::string& error);
    // The queued messages, oldest first. A file that cannot be read, or does not read as a
    // message, moves to failed/ with the reason, so that it neither blocks the queue nor
    // disappears.
    std::vector<QueuedMessage> Messages();
    std::vector<FailedMessage> FailedMessages() const;
    std::size_t FailedCount() const;
    bool Remove(const std::string& name, std::string& error);
    bool MoveToFailed(const std::string& name, const std::string& reason, std::string& error);
    // Temporary files of writers that ended (or were killed) before their rename, in the
    // outbox and beside it.
    void RemoveStaleTemporaries(std::chrono::seconds older_than);

    const std::filesystem::path& QueueFolder() const { return queue_; }
    const std::filesystem::path& FailedFolder() const { return failed_; }

private:
    std::string NewName(WallTime queued) const;

    std::filesystem::path queue_;
    std::filesystem::path failed_;
};

}  // namespace quillon::agent
