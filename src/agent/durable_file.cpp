// SPDX-License-Identifier: MIT
#include "agent/durable_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace quillon::agent {
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
        const ssize_t count = write(fd, text.data() + done, text.size() - done);
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

std::filesystem::path TemporaryBeside(const std::filesystem::path& path) {
    return path.parent_path() / (std::string(DurableFile::kTemporaryPrefix) +
                                 std::to_string(getpid()) + "-" + path.filename().string());
}

}  // namespace

bool DurableFile::Write(const std::filesystem::path& path, const std::string& text,
                        std::string& error) {
    const std::filesystem::path temporary = TemporaryBeside(path);
    const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        const int reason = errno;
        return Fail(error, "cannot create " + temporary.string(), reason);
    }
    const bool written = WriteAll(fd, text) && fsync(fd) == 0;
    int reason = errno;
    close(fd);
    const bool renamed = written && rename(temporary.c_str(), path.c_str()) == 0;
    if (written && !renamed) {
        reason = errno;
    }
    if (!renamed) {
        unlink(temporary.c_str());
        return Fail(error, "cannot write " + path.string(), reason);
    }
    return SyncFolder(path.parent_path(), error);
}

bool DurableFile::SyncFolder(const std::filesystem::path& folder, std::string& error) {
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        const int reason = errno;
        return Fail(error, "cannot open the folder " + folder.string(), reason);
    }
    const bool synced = fsync(fd) == 0;
    const int reason = errno;
    close(fd);
    return synced || Fail(error, "cannot sync the folder " + folder.string(), reason);
}

bool DurableFile::MakeFolder(const std::filesystem::path& folder, std::string& error) {
    std::filesystem::path so_far;
    for (const std::filesystem::path& part : folder) {
        so_far /= part;
        if (mkdir(so_far.c_str(), 0700) != 0 && errno != EEXIST) {
            const int reason = errno;
            return Fail(error, "cannot create the folder " + so_far.string(), reason);
        }
    }
    return true;
}

}  // namespace quillon::agent
