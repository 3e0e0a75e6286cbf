// SPDX-License-Identifier: MIT
#include "agent/outbox.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>

#include "agent/printable_text.hpp"
#include "platform/linux/durable_file.hpp"

namespace quillon::agent {
namespace {

constexpr char kMessageExtension[] = ".mail";

constexpr char kReasonExtension[] = ".reason";
// A message file is small; anything far larger is no message of ours.
constexpr std::size_t kLargestMessage = std::size_t{1024} * 1024;

std::optional<std::string> ReadWhole(const std::filesystem::path& path, std::string& reason) {
    reason.clear();
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        reason = "the file cannot be read: " + std::string(std::strerror(errno));
        return std::nullopt;
    }
    struct stat status {};
    std::string text;
    if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        reason = "it is not a regular file";
    } else {
        char buffer[8192];
        ssize_t count = 0;
        while ((count = read(fd, buffer, sizeof buffer)) > 0 && text.size() <= kLargestMessage) {
            text.append(buffer, static_cast<std::size_t>(count));
        }
        if (count < 0) {
            reason = "the file cannot be read: " + std::string(std::strerror(errno));
        } else if (text.size() > kLargestMessage) {
            reason = "the file is larger than any message";
        }
    }
    close(fd);
    if (!reason.empty()) {
        return std::nullopt;
    }
    return text;
}

// The message files of a folder, in queue order.
std::vector<std::string> MessageNames(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ignored)) {
        const std::string name = entry.path().filename().string();
        if (name.front() != '.' && entry.path().extension() == kMessageExtension) {
            names.push_back(name);
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

Outbox::Outbox(const std::filesystem::path& state_folder)
    : queue_(state_folder / "outbox"), failed_(state_folder / "failed") {}

// Time first, so that names sort in queue order; the process id and a random number keep
// names of one nanosecond apart.
std::string Outbox::NewName(WallTime queued) const {
    const auto nanoseconds =
        std::chrono::duration_cast<std::chrono::nanoseconds>(queued.time_since_epoch()).count();
    char name[96];
    static_cast<void>(std::snprintf(name, sizeof name, "%020lld-%07d-%08x%s",
                                    static_cast<long long>(nanoseconds), static_cast<int>(getpid()),
                                    static_cast<unsigned>(std::random_device{}()),
                                    kMessageExtension));
    return name;
}

std::optional<std::string> Outbox::Enqueue(const QueuedMessage& message, std::string& error) {
    if (!DurableFile::MakeFolder(queue_, error)) {
        return std::nullopt;
    }
    const std::string name = NewName(message.queued);
    if (!DurableFile::Write(queue_ / name, message.Serialized(), error)) {
        return std::nullopt;
    }
    return name;
}

std::vector<QueuedMessage> Outbox::Messages() {
    std::vector<QueuedMessage> messages;
    for (const std::string& name : MessageNames(queue_)) {
        std::string reason;
        const std::optional<std::string> text = ReadWhole(queue_ / name, reason);
        std::optional<QueuedMessage> message;
        if (text) {
            message = QueuedMessage::Parse(name, *text);
            reason = "the file does not read as a message (a field missing or out of range)";
        }
        if (message) {
            messages.push_back(*message);
        } else {
            std::string error;
            MoveToFailed(name, reason, error);
        }
    }
    return messages;
}

std::vector<FailedMessage> Outbox::FailedMessages() const {
    std::vector<FailedMessage> failed;
    for (const std::string& name : MessageNames(failed_)) {
        FailedMessage entry{name, std::nullopt, ""};
        std::string reason;
        if (const std::optional<std::string> text = ReadWhole(failed_ / name, reason)) {
            entry.message = QueuedMessage::Parse(name, *text);
        }
        entry.reason = ReadWhole(failed_ / (name + kReasonExtension), reason).value_or("");
        failed.push_back(entry);
    }
    return failed;
}

std::size_t Outbox::FailedCount() const {
    return MessageNames(failed_).size();
}

bool Outbox::Remove(const std::string& name, std::string& error) {
    if (unlink((queue_ / name).c_str()) != 0 && errno != ENOENT) {
        error = "cannot remove " + (queue_ / name).string() + ": " + std::strerror(errno);
        return false;
    }
    return DurableFile::SyncFolder(queue_, error);
}

// The reason first: a message in failed/ always says why it is there.
bool Outbox::MoveToFailed(const std::string& name, const std::string& reason, std::string& error) {
    if (!DurableFile::MakeFolder(failed_, error) ||
        !DurableFile::Write(failed_ / (name + kReasonExtension), reason + "\n", error)) {
        return false;
    }
    if (rename((queue_ / name).c_str(), (failed_ / name).c_str()) != 0) {
        error = "cannot move " + name + " to " + failed_.string() + ": " + std::strerror(errno);
        unlink((failed_ / (name + kReasonExtension)).c_str());
        return false;
    }
    return DurableFile::SyncFolder(failed_, error) && DurableFile::SyncFolder(queue_, error);
}

void Outbox::RemoveStaleTemporaries(std::chrono::seconds older_than) {
    for (const std::filesystem::path& folder : {queue_, queue_.parent_path(), failed_}) {
        DurableFile::RemoveStaleTemporaries(folder, older_than);
    }
}

}  // namespace quillon::agent
