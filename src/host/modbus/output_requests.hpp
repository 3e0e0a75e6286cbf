// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace quillon::modbus {

// What the core asks of the poller and what comes back: output words to write, a wish to
// reconnect now, the end; the words written and the writes that failed. The poller waits
// here between polls, so a request wakes it at once.
class OutputRequests {
public:
    using Time = std::chrono::steady_clock::time_point;
    // A word the device took, or refused (with the refusal in words).
    struct Written {
        Time when;
        std::int16_t word;
        std::string refusal;
    };

    // Core side.
    void RequestWrite(std::int16_t word);
    void RequestReconnect();
    void RequestStop();
    std::optional<std::string> TakeWriteFailure();
    std::vector<Written> TakeWritten();

    // Poller side. Waits until `deadline` or a request; returns the word to write, if any.
    std::optional<std::int16_t> WaitForWork(Time deadline);
    bool StopRequested();
    bool TakeReconnectRequest();
    void ReportWritten(std::int16_t word, Time when);
    void ReportWriteFailure(std::int16_t word, Time when, const std::string& failure);

private:
    std::mutex mutex_;
    std::condition_variable wake_;
    std::optional<std::int16_t> pending_word_;
    bool reconnect_ = false;
    bool stop_ = false;
    std::optional<std::string> write_failure_;
    std::vector<Written> written_;
};

}  // namespace quillon::modbus
