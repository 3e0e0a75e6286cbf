// SPDX-License-Identifier: MIT
#include "platform/linux/durable_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstring>

namespace quillon {
namespace {

// The caller reads errno right after the failing call and passes it: building the message, and
// cleaning up, may change errno before it is read here.
bool Fail(std::string& error, const std::string& what, int reason) {
    error = what + ": " + std::strerror(reason);
    return false;
}

bool WriteAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t count = ::write(fd, text.data() + done, text.size() - done);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(count);
    }
    return true;
}

// Owner first: a change of owner clears the set-id bits that the mode then restores. A group
// or owner this user may not give is left as it comes.
bool Restore(int fd, const DurableFile::Keep& keep) {
    if (::fchown(fd, keep.owner, keep.group) != 0) {
        [[maybe_unused]] const int ignored = ::fchown(fd, static_cast<uid_t>(-1), keep.group);
    }
    return ::fchmod(fd, keep.mode & 07777) == 0;
}

// ".tmp-<pid>-<name>": the writer's process id, or nothing for another name.
std::optional<pid_t> WriterOf(std::string_view name) {
    constexpr std::string_view prefix = DurableFile::kTemporaryPrefix;
    if (!name.starts_with(prefix)) {
        return std::nullopt;
    }
    name.remove_prefix(prefix.size());
    pid_t pid = 0;
    const auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), pid);
    if (error != std::errc() || end == name.data() + name.size() || *end != '-' || pid <= 0) {
        return std::nullopt;
    }
    return pid;
}

bool ProcessIsGone(pid_t pid) {
    return pid != ::getpid() && ::kill(pid, 0) != 0 && errno == ESRCH;
}

}  // namespace

std::filesystem::path DurableFile::TemporaryFor(const std::filesystem::path& path) {
    return path.parent_path() / (std::string(kTemporaryPrefix) + std::to_string(::getpid()) + "-" +
                                 path.filename().string());
}

bool DurableFile::Write(const std::filesystem::path& path, const std::string& text,
                        std::string& error, const std::optional<Keep>& keep) {
    const std::filesystem::path temporary = TemporaryFor(path);
    // A leftover of this process id (a reused one) goes first: the new file is created afresh,
    // never opened through a link someone else put there.
    ::unlink(temporary.c_str());
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        const int reason = errno;
        return Fail(error, "cannot create " + temporary.string(), reason);
    }
    const bool written = (!keep || Restore(fd, *keep)) && WriteAll(fd, text) && ::fsync(fd) == 0;
    int reason = errno;
    ::close(fd);
    const bool renamed = written && ::rename(temporary.c_str(), path.c_str()) == 0;
    if (written && !renamed) {
        reason = errno;
    }
    if (!renamed) {
        ::unlink(temporary.c_str());
        return Fail(error, "cannot write " + path.string(), reason);
    }
    return SyncFolder(path.parent_path(), error);
}

bool DurableFile::SyncFolder(const std::filesystem::path& folder, std::string& error) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        const int reason = errno;
        return Fail(error, "cannot open the folder " + folder.string(), reason);
    }
    const bool synced = ::fsync(fd) == 0;
    const int reason = errno;
    ::close(fd);
    return synced || Fail(error, "cannot sync the folder " + folder.string(), reason);
}

bool DurableFile::MakeFolder(const std::filesystem::path& folder, std::string& error) {
    std::filesystem::path so_far;
    for (const std::filesystem::path& part : folder) {
        so_far /= part;
        if (::mkdir(so_far.c_str(), 0700) != 0 && errno != EEXIST) {
            const int reason = errno;
            return Fail(error, "cannot create the folder " + so_far.string(), reason);
        }
    }
    return true;
}

void DurableFile::RemoveStaleTemporaries(const std::filesystem::path& folder,
                                         std::chrono::seconds older_than, std::string_view target) {
    const auto limit = std::filesystem::file_time_type::clock::now() - older_than;
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ignored)) {
        const std::string name = entry.path().filename().string();
        const std::optional<pid_t> writer = WriterOf(name);
        if (!writer || (!target.empty() && !name.ends_with("-" + std::string(target)))) {
            continue;
        }
        if (entry.last_write_time(ignored) < limit || ProcessIsGone(*writer)) {
            std::filesystem::remove(entry.path(), ignored);
        }
    }
}

}  // namespace quillon
