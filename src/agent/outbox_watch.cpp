// SPDX-License-Identifier: MIT
#include "agent/outbox_watch.hpp"

#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cmath>
#include <thread>

namespace quillon::agent {

OutboxWatch::OutboxWatch(const std::filesystem::path& folder)
    : fd_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
    if (fd_ >= 0 && inotify_add_watch(fd_, folder.c_str(), IN_MOVED_TO | IN_CLOSE_WRITE) < 0) {
        close(fd_);
        fd_ = -1;
    }
}

OutboxWatch::~OutboxWatch() {
    if (fd_ >= 0) {
        close(fd_);
    }
}

void OutboxWatch::Wait(Seconds longest) const {
    if (fd_ < 0) {
        std::this_thread::sleep_for(longest);
        return;
    }
    const double milliseconds = std::ceil(std::min(longest.count(), 86400.0) * 1000);
    pollfd watch{fd_, POLLIN, 0};
    if (poll(&watch, 1, static_cast<int>(milliseconds)) > 0) {
        alignas(inotify_event) char events[4096];
        while (read(fd_, events, sizeof events) > 0) {
        }
    }
}

}  // namespace quillon::agent
