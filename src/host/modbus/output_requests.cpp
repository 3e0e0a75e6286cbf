// SPDX-License-Identifier: MIT
#include "host/modbus/output_requests.hpp"

#include <utility>

namespace quillon::modbus {

namespace {
constexpr std::size_t kMaxUnreportedWrites = 4096;
}  // namespace

void OutputRequests::RequestWrite(std::int16_t word) {
    {
        const std::lock_guard lock(mutex_);
        pending_word_ = word;  // a newer word makes an unwritten older one moot
    }
    wake_.notify_one();
}

void OutputRequests::RequestReconnect() {
    {
        const std::lock_guard lock(mutex_);
        reconnect_ = true;
    }
    wake_.notify_one();
}

void OutputRequests::RequestStop() {
    {
        const std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_one();
}

std::optional<std::string> OutputRequests::TakeWriteFailure() {
    const std::lock_guard lock(mutex_);
    return std::exchange(write_failure_, std::nullopt);
}

std::vector<OutputRequests::Written> OutputRequests::TakeWritten() {
    const std::lock_guard lock(mutex_);
    return std::exchange(written_, {});
}

std::optional<std::int16_t> OutputRequests::WaitForWork(Time deadline) {
    std::unique_lock lock(mutex_);
    wake_.wait_until(lock, deadline, [&] { return stop_ || reconnect_ || pending_word_; });
    return std::exchange(pending_word_, std::nullopt);
}

bool OutputRequests::StopRequested() {
    const std::lock_guard lock(mutex_);
    return stop_;
}

bool OutputRequests::TakeReconnectRequest() {
    const std::lock_guard lock(mutex_);
    return std::exchange(reconnect_, false);
}

void OutputRequests::ReportWritten(std::int16_t word, Time when) {
    const std::lock_guard lock(mutex_);
    if (written_.size() < kMaxUnreportedWrites) {  // nobody servicing: keep memory bounded
        written_.push_back({when, word, {}});
    }
}

void OutputRequests::ReportWriteFailure(std::int16_t word, Time when, const std::string& failure) {
    const std::lock_guard lock(mutex_);
    write_failure_ = failure;
    if (written_.size() < kMaxUnreportedWrites) {
        written_.push_back({when, word, failure});
    }
}

}  // namespace quillon::modbus
