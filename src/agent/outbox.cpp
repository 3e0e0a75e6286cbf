// SPDX-License-Identifier: MIT
#include "agent/outbox.hpp"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>

#include "agent/durable_file.hpp"

namespace quillon::agent {
namespace {

constexpr char kMessageExtension[] = ".mail";

std::optional<std::string> ReadWhole(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return std::nullopt;
    }
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

bool IsMessageFile(const std::filesystem::directory_entry& entry) {
    const std::string name = entry.path().filename().string();
    return name.front() != '.' && entry.path().extension() == kMessageExtension;
}

// A temporary file's name holds its writer's process id: ".tmp-1234-...".
bool WriterAlive(const std::string& temporary_name) {
    const std::string rest = temporary_name.substr(std::strlen(DurableFile::kTemporaryPrefix));
    const int pid = std::atoi(rest.c_str());
    return pid > 0 && (kill(pid, 0) == 0 || errno == EPERM);
}

}  // namespace

Outbox::Outbox(std::filesystem::path state_folder)
    : queue_(state_folder / "outbox"), failed_(state_folder / "failed") {}

// Time first, so that names sort in queue order; the process id and a random number keep
// names of one nanosecond apart.
std::string Outbox::NewName(WallTime queued) const {
    const auto nanoseconds =
        std::chrono::duration_cast<std::chrono::nanoseconds>(queued.time_since_epoch()).count();
    char name[96];
    std::snprintf(name, sizeof name, "%020lld-%07d-%08x%s", static_cast<long long>(nanoseconds),
                  static_cast<int>(getpid()), static_cast<unsigned>(std::random_device{}()),
                  kMessageExtension);
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
    std::vector<std::string> unreadable;
    std::vector<QueuedMessage> messages = Read(queue_, unreadable);
    for (const std::string& name : unreadable) {
        std::string error;
        MoveToFailed(name, error);
    }
    return messages;
}

std::vector<QueuedMessage> Outbox::FailedMessages() const {
    std::vector<std::string> unreadable;
    return Read(failed_, unreadable);
}

std::vector<QueuedMessage> Outbox::Read(const std::filesystem::path& folder,
                                        std::vector<std::string>& unreadable) {
    std::vector<QueuedMessage> messages;
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ignored)) {
        if (!IsMessageFile(entry)) {
            continue;
        }
        const std::string name = entry.path().filename().string();
        const std::optional<std::string> text = ReadWhole(entry.path());
        std::optional<QueuedMessage> message;
        if (text) {
            message = QueuedMessage::Parse(name, *text);
        }
        if (message) {
            messages.push_back(*message);
        } else if (text) {
            unreadable.push_back(name);
        }
    }
    std::sort(messages.begin(), messages.end(),
              [](const QueuedMessage& a, const QueuedMessage& b) { return a.name < b.name; });
    return messages;
}

bool Outbox::Remove(const std::string& name, std::string& error) {
    if (unlink((queue_ / name).c_str()) != 0 && errno != ENOENT) {
        error = "cannot remove " + (queue_ / name).string();
        return false;
    }
    return DurableFile::SyncFolder(queue_, error);
}

bool Outbox::MoveToFailed(const std::string& name, std::string& error) {
    if (!DurableFile::MakeFolder(failed_, error)) {
        return false;
    }
    if (rename((queue_ / name).c_str(), (failed_ / name).c_str()) != 0) {
        error = "cannot move " + name + " to " + failed_.string();
        return false;
    }
    return DurableFile::SyncFolder(failed_, error) && DurableFile::SyncFolder(queue_, error);
}

void Outbox::RemoveStaleTemporaries(std::chrono::seconds older_than) {
    const auto limit = std::filesystem::file_time_type::clock::now() - older_than;
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(queue_, ignored)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(DurableFile::kTemporaryPrefix, 0) == 0 &&
            (entry.last_write_time(ignored) < limit || !WriterAlive(name))) {
            std::filesystem::remove(entry.path(), ignored);
        }
    }
}

}  // namespace quillon::agent
