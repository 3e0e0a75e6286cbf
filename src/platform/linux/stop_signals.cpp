// SPDX-License-Identifier: MIT
#include "platform/linux/stop_signals.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>

namespace quillon {
namespace {

constexpr std::array kStopSignals = {SIGINT, SIGTERM, SIGHUP};

std::atomic<bool> g_requested{false};
std::atomic<int> g_received{0};
int g_wake[2] = {-1, -1};

extern "C" void NoteStopRequest(int signal) {
    // Only async-signal-safe work here; a full pipe already holds a request.
    const int saved_errno = errno;
    g_received.store(signal);
    g_requested.store(true);
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(g_wake[1], &byte, 1);
    errno = saved_errno;
}

void Handle(int signal) {
    struct sigaction action {};
    action.sa_handler = NoteStopRequest;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(signal, &action, nullptr);
}

void Ignore(int signal) {
    struct sigaction action {};
    action.sa_handler = SIG_IGN;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
}

}  // namespace

void StopSignals::Install() {
    if (g_wake[0] < 0 && ::pipe2(g_wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        g_wake[0] = g_wake[1] = -1;
    }
    sigset_t stops;
    sigemptyset(&stops);
    for (const int signal : kStopSignals) {
        Handle(signal);
        sigaddset(&stops, signal);
    }
    Ignore(SIGPIPE);
    // A mask inherited from the parent would hold these back for ever; one that was pending
    // arrives now, with the handler in place.
    sigprocmask(SIG_UNBLOCK, &stops, nullptr);
}

const std::atomic<bool>& StopSignals::Requested() {
    return g_requested;
}

int StopSignals::Received() {
    return g_received.load();
}

std::string StopSignals::Describe(int signal) {
    switch (signal) {
        case SIGINT:
            return "SIGINT (interrupt)";
        case SIGTERM:
            return "SIGTERM (terminate)";
        case SIGHUP:
            return "SIGHUP (hang-up)";
        default:
            return "signal " + std::to_string(signal);
    }
}

int StopSignals::WakeDescriptor() {
    return g_wake[0];
}

void StopSignals::DrainWake() {
    char bytes[16];
    while (g_wake[0] >= 0 && ::read(g_wake[0], bytes, sizeof bytes) > 0) {
    }
}

}  // namespace quillon
