// SPDX-License-Identifier: MIT
#pragma once

#include <windows.h>

#include <chrono>

namespace quillon {

// An apartment-threaded control delivers its events, and may do its own work, through window
// messages on this thread: every wait on Windows lets them through.

// Dispatches the messages waiting now.
void DispatchWaitingMessages();

// Waits until `handle` is signalled or `patience` has passed, dispatching messages meanwhile.
// True when the handle was signalled.
bool WaitDispatchingMessages(HANDLE handle, std::chrono::milliseconds patience);

}  // namespace quillon
