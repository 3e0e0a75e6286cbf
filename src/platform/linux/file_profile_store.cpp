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

#include "platform/linux/durable_file.hpp"
#include "platform/linux/file_lock.hpp"
#include "utility/ini_file.hpp"

namespace quillon {
namespace {

constexpr int kMostLinkHops = 40;
// A write takes milliseconds: a temporary file older than this was left by a killed save.
constexpr std::chrono::seconds kStaleTemporaryAge{60};

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
    DurableFile::RemoveStaleTemporaries(path.parent_path(), kStaleTemporaryAge,
                                        path.filename().string());
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
    std::string error;
    const DurableFile::Keep keep{status.st_uid, status.st_gid, status.st_mode};
    return DurableFile::Write(path, text, error, keep) || Fail(error);
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
