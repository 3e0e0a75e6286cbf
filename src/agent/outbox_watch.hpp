// SPDX-License-Identifier: MIT
#pragma once

#include <filesystem>

#include "agent/mail_settings.hpp"

namespace quillon::agent {

// Lets a waiting deliverer wake as soon as a launch puts a message into the outbox (every
// message arrives by a rename into the folder), through inotify. Without inotify the wait
// simply runs its full time.
class OutboxWatch {
public:
    explicit OutboxWatch(const std::filesystem::path& folder);
    ~OutboxWatch();
    OutboxWatch(const OutboxWatch&) = delete;
    OutboxWatch& operator=(const OutboxWatch&) = delete;

    // Waits up to `longest`, less when a message arrives.
    void Wait(Seconds longest) const;

private:
    int fd_ = -1;
};

}  // namespace quillon::agent
