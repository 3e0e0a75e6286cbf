// SPDX-License-Identifier: MIT
#include "platform/linux/acknowledge_signal.hpp"

#include <atomic>
#include <csignal>

namespace quillon {
namespace {

std::atomic<std::uint64_t> g_count{0};
static_assert(std::atomic<std::uint64_t>::is_always_lock_free);

extern "C" void NoteAcknowledgeRequest(int) {
    g_count.fetch_add(1);
}

}  // namespace

void AcknowledgeSignal::Install() {
    struct sigaction action {};
    action.sa_handler = NoteAcknowledgeRequest;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGUSR1, &action, nullptr);
    sigset_t user;
    sigemptyset(&user);
    sigaddset(&user, SIGUSR1);
    sigprocmask(SIG_UNBLOCK, &user, nullptr);
}

std::uint64_t AcknowledgeSignal::Count() {
    return g_count.load();
}

}  // namespace quillon
