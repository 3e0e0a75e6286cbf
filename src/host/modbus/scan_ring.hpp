// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "host/sample_block.hpp"
#include "host/window_block.hpp"

namespace quillon::modbus {

// The newest scans the poller took, each with the time its reply arrived, and how the link
// stands. The one thing the poller and the core share besides the output requests: one lock,
// held only for a copy.
class ScanRing {
public:
    using Time = std::chrono::steady_clock::time_point;

    // What the core learns about the link along with the scans.
    struct Health {
        std::optional<std::string> failure;  // the newest failure since the newest scan
        bool refused = false;                // that failure is the device's refusal
        std::optional<Time> failed_at;       // the newest failure, even before the newest scan
        std::optional<Time> newest_scan;     // when the newest scan's reply arrived
        std::int64_t polls = 0;
        std::int64_t late_polls = 0;
        int refused_last_minute = 0;  // polls the device refused (exception replies)
        int failed_last_minute = 0;   // polls without a good reply
        std::string last_refusal;
        std::string last_loss;
    };

    ScanRing(int values_per_scan, int capacity);

    // Poller side.
    void Push(const double* scan, Time arrived);
    // A poll that brought no scan: refused by the device, or unanswered.
    void ReportFailure(const std::string& failure, Time when, bool refused);
    void CountLatePoll();

    // Core side. The newest `scans` scans, oldest first; before that many exist the oldest
    // one stands in for the missing ones. Returns false, leaving `block` as it was, while
    // there is no scan at all.
    bool CopyNewest(int scans, SampleBlock& block) const;
    // The same scans into a window block: only its selected channels whole, and the newest
    // scan of every channel.
    bool CopyNewest(int scans, WindowBlock& block) const;
    // Waits until a scan or a failure has arrived at or after `since`, or until `until`.
    void WaitForNews(Time since, Time until) const;
    // As it stands at `now` (the counts cover the minute before it).
    Health CurrentHealth(Time now = std::chrono::steady_clock::now()) const;
    int Capacity() const { return capacity_; }

private:
    const double* Row(std::int64_t scan) const;
    std::int64_t ScanAt(int position, int scans) const;

    const int values_;
    const int capacity_;
    mutable std::mutex mutex_;
    mutable std::condition_variable news_;  // a scan or a failure came in
    std::vector<double> storage_;
    std::int64_t pushed_ = 0;
    Health health_;
    std::deque<Time> refusals_;
    std::deque<Time> losses_;
    mutable std::vector<double*> fresh_series_;  // where a window copy writes each channel
};

}  // namespace quillon::modbus
