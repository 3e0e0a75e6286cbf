// SPDX-License-Identifier: MIT
#pragma once

#include <atomic>
#include <string>

namespace quillon {

// The signals that ask the program to end: SIGINT (Ctrl+C), SIGTERM, and SIGHUP (the terminal
// or the ssh session went away). All three ask for the same orderly end as closing the window:
// stop, save, end. Install() runs first thing in main(), so that a request that arrives during
// start-up is kept instead of killing the program unsaved; the front end acts on it once
// start-up is done. It also ignores SIGPIPE: a console reader that went away is an error of
// that write, reported where it happens, not the end of the control loop.
class StopSignals {
public:
    static void Install();
    // Set by the first stop signal, never cleared.
    static const std::atomic<bool>& Requested();
    // The signal that asked last, 0 before any.
    static int Received();
    // "SIGHUP (hang-up)": for the line that says why the program ends.
    static std::string Describe(int signal);
    // Readable once a request has arrived, for event loops that wait on descriptors; -1 when
    // no pipe could be made (the flag still works).
    static int WakeDescriptor();
    // Empties the wake descriptor, so that it signals the next request only.
    static void DrainWake();
};

}  // namespace quillon
