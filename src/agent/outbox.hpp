// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "agent/queued_message.hpp"

namespace quillon::agent {

// The queue of messages not yet accepted by a mail server: one file per message in
// outbox/, in the order of their names; messages given up on move to failed/. Every change
// is durable before it returns, so a kill at any moment loses nothing.
class Outbox {
public:
    explicit Outbox(std::filesystem::path state_folder);

    // Writes the message durably; its file name, or nothing with the reason in `error`.
    std::optional<std::string> Enqueue(const QueuedMessage& message, std::string& error);
    // The queued messages, oldest first. A file that does not read as a message moves to
    // failed/, so that it neither blocks the queue nor disappears.
    std::vector<QueuedMessage> Messages();
    std::vector<QueuedMessage> FailedMessages() const;
    bool Remove(const std::string& name, std::string& error);
    bool MoveToFailed(const std::string& name, std::string& error);
    // Temporary files of writers killed before their rename.
    void RemoveStaleTemporaries(std::chrono::seconds older_than);

    const std::filesystem::path& QueueFolder() const { return queue_; }
    const std::filesystem::path& FailedFolder() const { return failed_; }

private:
    // The messages of the folder, oldest first, and the names of files that are none.
    static std::vector<QueuedMessage> Read(const std::filesystem::path& folder,
                                           std::vector<std::string>& unreadable);
    std::string NewName(WallTime queued) const;

    std::filesystem::path queue_;
    std::filesystem::path failed_;
};

}  // namespace quillon::agent
