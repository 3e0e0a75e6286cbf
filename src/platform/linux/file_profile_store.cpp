// SPDX-License-Identifier: MIT
#include "platform/linux/file_profile_store.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <system_error>

#include "utility/ini_file.hpp"
#include "platform/linux/file_lock.hpp"

namespace quillon {
namespace {

constexpr int kMostLinkHops = 40;
constexpr const char* kTemporaryInfix = ".new.";

std::string ErrnoText() {
    return std::strerror(errno);
}

// The whole content from the descriptor's start; nothing when it cannot be read.
std::optional<std::string> ReadAll(int fd) {
    std::string text;
    char buffer[65536];
    off_t offset = 0;
    for (;;) {
        const ssize_t n = ::pread(fd, buffer, sizeof buffer, offset);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return std::nullopt;
        }
        if (n == 0) {
            return text;
        }
        text.append(buffer, static_cast<std::size_t>(n));
        offset += n;
    }
}

// The file's text; empty when the file does not exist, nothing when it exists but cannot be
// read, so that a save never replaces a file it could not read.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return errno == ENOENT ? std::optional<std::string>("") : std::nullopt;
    }
    std::optional<std::string> text = ReadAll(fd);
    const int saved_errno = errno;
    ::close(fd);
    errno = saved_errno;
    return text;
}

bool WriteAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n =
            ::pwrite(fd, text.data() + done, text.size() - done, static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// A link is written through: the file it points to changes, the link stays.
std::filesystem::path ResolveLinks(std::filesystem::path path) {
    for (int hop = 0; hop < kMostLinkHops; ++hop) {
        std::error_code error;
        if (!std::filesystem::is_symlink(std::filesystem::symlink_status(path, error))) {
            return path;
        }
        const std::filesystem::path target = std::filesystem::read_symlink(path, error);
        if (error) {
            return path;
        }
        path = target.is_absolute() ? target : path.parent_path() / target;
    }
    return path;
}

std::filesystem::path TemporaryFor(const std::filesystem::path& path, pid_t pid) {
    return path.string() + kTemporaryInfix + std::to_string(pid);
}

bool ProcessIsGone(const std::string& pid_text) {
    pid_t pid = 0;
    const auto [end, error] =
        std::from_chars(pid_text.data(), pid_text.data() + pid_text.size(), pid);
    if (pid_text.empty() || error != std::errc() || end != pid_text.data() + pid_text.size() ||
        pid <= 0) {
        return false;
    }
    return pid != ::getpid() && ::kill(pid, 0) != 0 && errno == ESRCH;
}

// Temporary files of saves that a killed process never finished.
void RemoveStaleTemporaries(const std::filesystem::path& path) {
    const std::string prefix = path.filename().string() + kTemporaryInfix;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(path.parent_path(), error)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with(prefix) && ProcessIsGone(name.substr(prefix.size()))) {
            std::filesystem::remove(entry.path(), error);
        }
    }
}

bool SyncFolder(const std::filesystem::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

// A rename gives the file a new inode owned by us: only where that changes nothing the user
// set up (one link, our own file or root, a folder we may write).
bool CanReplaceByRename(const std::filesystem::path& path, const struct stat& status) {
    const uid_t user = ::geteuid();
    return status.st_nlink == 1 && (user == 0 || status.st_uid == user) &&
           ::access(path.parent_path().c_str(), W_OK) == 0;
}

}  // namespace

FileProfileStore::FileProfileStore(std::filesystem::path directory,
                                   std::chrono::milliseconds lock_patience)
    : directory_(std::move(directory)), lock_patience_(lock_patience) {}

std::string FileProfileStore::Read(const std::string& file, const std::string& section,
                                   const std::string& key, const std::string& fallback) {
    const IniFile ini(ReadWholeFile(PathOf(file)).value_or(""));
    return ini.Value(section, key).value_or(fallback);
}

void FileProfileStore::RequireReadable(const std::string& file) {
    if (!ReadWholeFile(PathOf(file))) {
        throw std::runtime_error("cannot read " + PathOf(file).string() + ": " + ErrnoText());
    }
}

bool FileProfileStore::Write(const std::string& file, const std::string& section,
                             const std::string& key, const std::string& value) {
    return WriteSection(file, section, {{key, value}});
}

bool FileProfileStore::WriteSection(const std::string& file, const std::string& section,
                                    const ProfileValues& values) {
    std::error_code error;
    std::filesystem::create_directories(directory_, error);
    if (error) {
        return Fail("cannot create " + directory_.string() + ": " + error.message());
    }
    const std::filesystem::path path = ResolveLinks(PathOf(file));
    std::string lock_error;
    const std::optional<FileLock> lock = FileLock::Acquire(path, lock_patience_, lock_error);
    if (!lock) {
        return Fail(lock_error);
    }
    RemoveStaleTemporaries(path);
    // The user made it read-only on purpose: not even root writes it.
    if ((lock->Status().st_mode & 0222) == 0) {
        return Fail("cannot write " + path.string() + ": the file is read-only");
    }
    if (::access(path.c_str(), W_OK) != 0) {
        return Fail("cannot write " + path.string() + ": " + ErrnoText());
    }
    const std::optional<std::string> text = ReadAll(lock->Descriptor());
    if (!text) {
        return Fail("cannot read " + path.string() + ": " + ErrnoText());
    }
    IniFile ini(*text);
    ini.SetValues(section, values, "\n");
    return ini.Text() == *text || Save(path, lock->Status(), ini.Text());
}

bool FileProfileStore::Save(const std::filesystem::path& path, const struct stat& status,
                            const std::string& text) {
    if (CanReplaceByRename(path, status)) {
        return ReplaceByRename(path, status, text);
    }
    return WriteInPlace(path, text);
}

bool FileProfileStore::ReplaceByRename(const std::filesystem::path& path, const struct stat& status,
                                       const std::string& text) {
    const std::filesystem::path temporary = TemporaryFor(path, ::getpid());
    ::unlink(temporary.c_str());
    const int fd =
        ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, status.st_mode & 0600);
    if (fd < 0) {
        return Fail("cannot write " + temporary.string() + ": " + ErrnoText());
    }
    // Owner first: a change of owner clears the set-id bits that the mode then restores.
    if (::fchown(fd, status.st_uid, status.st_gid) != 0) {
        [[maybe_unused]] const int ignored = ::fchown(fd, static_cast<uid_t>(-1), status.st_gid);
    }
    const bool written =
        ::fchmod(fd, status.st_mode & 07777) == 0 && WriteAll(fd, text) && ::fsync(fd) == 0;
    const std::string reason = ErrnoText();
    ::close(fd);
    if (!written || ::rename(temporary.c_str(), path.c_str()) != 0) {
        const std::string why = written ? ErrnoText() : reason;
        ::unlink(temporary.c_str());
        return Fail("cannot write " + path.string() + ": " + why);
    }
    if (!SyncFolder(path.parent_path())) {
        return Fail("cannot sync the folder of " + path.string() + ": " + ErrnoText());
    }
    return true;
}

bool FileProfileStore::WriteInPlace(const std::filesystem::path& path, const std::string& text) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        return Fail("cannot write " + path.string() + ": " + ErrnoText());
    }
    const bool written = WriteAll(fd, text) &&
                         ::ftruncate(fd, static_cast<off_t>(text.size())) == 0 && ::fsync(fd) == 0;
    const std::string reason = ErrnoText();
    ::close(fd);
    return written || Fail("cannot write " + path.string() + ": " + reason);
}

bool FileProfileStore::Fail(const std::string& what) {
    last_error_ = what;
    return false;
}

}  // namespace quillon
