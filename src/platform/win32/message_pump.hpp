// SPDX-License-Identifier: MIT
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>

namespace quillon {

// An apartment-threaded control delivers its events, and may do its own work, through window
// messages on this thread: every wait on Windows lets them through.

// Dispatches the messages waiting now, through `dispatch` where given. A WM_QUIT is put back for
// the thread's main loop, which ends on it, and ends the dispatch: false then.
bool DispatchWaitingMessages(const std::function<void(MSG&)>& dispatch = {});

// Waits until `handle` is signalled or `patience` has passed, dispatching messages meanwhile.
// True when the handle was signalled.
bool WaitDispatchingMessages(HANDLE handle, std::chrono::milliseconds patience);

}  // namespace quillon
