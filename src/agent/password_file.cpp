// SPDX-License-Identifier: MIT
#include "agent/password_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace quillon::agent {
namespace {

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) {
            close(fd_);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const { return fd_; }

private:
    int fd_;
};

std::string FirstLine(int fd) {
    std::string text;
    char buffer[512];
    ssize_t count = 0;
    while ((count = read(fd, buffer, sizeof buffer)) > 0 && text.size() < 4096) {
        text.append(buffer, static_cast<std::size_t>(count));
    }
    return text.substr(0, text.find_first_of("\r\n"));
}

}  // namespace

std::optional<std::string> PasswordFile::Read(const std::string& path, std::string& error) {
    // Not blocking: a FIFO or a device must be refused, not waited on.
    const Descriptor file(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (file.Get() < 0) {
        error = "the password file " + path + " cannot be read: " + std::strerror(errno);
        return std::nullopt;
    }
    struct stat status {};
    if (fstat(file.Get(), &status) != 0 || !S_ISREG(status.st_mode)) {
        error = "the password file " + path + " is not a regular file";
        return std::nullopt;
    }
    if ((status.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
        error = "the password file " + path +
                " is refused because others can read it: run chmod 600 " + path;
        return std::nullopt;
    }
    return FirstLine(file.Get());
}

}  // namespace quillon::agent
