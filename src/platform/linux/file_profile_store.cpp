// SPDX-License-Identifier: MIT
#include "platform/linux/file_profile_store.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <system_error>

#include "platform/ini_file.hpp"

namespace quillon {
namespace {

// The file's text; empty when the file does not exist, nothing when it exists but cannot be
// read, so that a save never replaces a file it could not read.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return errno == ENOENT ? std::optional<std::string>("") : std::nullopt;
    }
    std::string text;
    char buffer[8192];
    ssize_t n = 0;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0 || (n < 0 && errno == EINTR)) {
        if (n > 0) {
            text.append(buffer, static_cast<std::size_t>(n));
        }
    }
    const int saved_errno = errno;
    ::close(fd);
    if (n < 0) {
        errno = saved_errno;
        return std::nullopt;
    }
    return text;
}

// Holds an exclusive flock on a side file; the data file itself is replaced by rename, so
// it cannot carry the lock.
class FileLock {
public:
    explicit FileLock(const std::filesystem::path& path)
        : fd_(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644)) {
        if (fd_ >= 0 && ::flock(fd_, LOCK_EX) != 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }
    ~FileLock() {
        if (fd_ >= 0) {
            ::close(fd_);  // closing releases the lock
        }
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    bool Held() const { return fd_ >= 0; }

private:
    int fd_;
};

bool WriteAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
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

}  // namespace

FileProfileStore::FileProfileStore(std::filesystem::path directory)
    : directory_(std::move(directory)) {}

std::string FileProfileStore::Read(const std::string& file, const std::string& section,
                                   const std::string& key, const std::string& fallback) {
    const IniFile ini(ReadWholeFile(PathOf(file)).value_or(""));
    return ini.Value(section, key).value_or(fallback);
}

bool FileProfileStore::Write(const std::string& file, const std::string& section,
                             const std::string& key, const std::string& value) {
    std::error_code error;
    std::filesystem::create_directories(directory_, error);
    if (error) {
        return Fail("cannot create " + directory_.string() + ": " + error.message());
    }
    const std::filesystem::path path = PathOf(file);
    const FileLock lock(directory_ / ("." + file + ".lock"));
    if (!lock.Held()) {
        return Fail("cannot lock " + path.string() + ": " + std::strerror(errno));
    }
    return WriteLocked(path, section, key, value);
}

bool FileProfileStore::WriteLocked(const std::filesystem::path& path, const std::string& section,
                                   const std::string& key, const std::string& value) {
    const std::optional<std::string> text = ReadWholeFile(path);
    if (!text) {
        return Fail("cannot read " + path.string() + ": " + std::strerror(errno));
    }
    IniFile ini(*text);
    ini.SetValue(section, key, value, "\n");
    const std::filesystem::path temporary = path.string() + ".new." + std::to_string(::getpid());
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        return Fail("cannot write " + temporary.string() + ": " + std::strerror(errno));
    }
    const bool written = WriteAll(fd, ini.Text()) && ::fsync(fd) == 0;
    const int saved_errno = errno;
    ::close(fd);
    if (!written || ::rename(temporary.c_str(), path.c_str()) != 0) {
        const std::string reason = std::strerror(written ? errno : saved_errno);
        ::unlink(temporary.c_str());
        return Fail("cannot write " + path.string() + ": " + reason);
    }
    return true;
}

bool FileProfileStore::Fail(const std::string& what) {
    last_error_ = what;
    return false;
}

}  // namespace quillon
