// SPDX-License-Identifier: MIT
#include "platform/win32/message_pump.hpp"

namespace quillon {

bool DispatchWaitingMessages(const std::function<void(MSG&)>& dispatch) {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            // Dispatching a thread message does nothing: taken here, the quit would be lost.
            ::PostQuitMessage(static_cast<int>(message.wParam));
            return false;
        }
        if (dispatch) {
            dispatch(message);
        } else {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }
    return true;
}

bool WaitDispatchingMessages(HANDLE handle, std::chrono::milliseconds patience) {
    const auto give_up = std::chrono::steady_clock::now() + patience;
    for (;;) {
        const bool quit_waiting = !DispatchWaitingMessages();
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            give_up - std::chrono::steady_clock::now());
        const DWORD wait = left.count() > 0 ? static_cast<DWORD>(left.count()) : 0;
        if (quit_waiting) {
            // The quit stays queued for the main loop: waiting on messages would return at once.
            return ::WaitForSingleObject(handle, wait) == WAIT_OBJECT_0;
        }
        // MWMO_INPUTAVAILABLE: a message that arrived before the wait also wakes it.
        const DWORD result =
            ::MsgWaitForMultipleObjectsEx(1, &handle, wait, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (result == WAIT_OBJECT_0) {
            return true;
        }
        if (result != WAIT_OBJECT_0 + 1) {
            return false;  // the time is up, or the wait failed
        }
    }
}

}  // namespace quillon
