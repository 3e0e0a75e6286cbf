// SPDX-License-Identifier: MIT
#include "app/confirmed_output_events.hpp"

#include <algorithm>

namespace quillon {
namespace {

// A host that never answers must not make the waiting writes grow without bound.
constexpr std::size_t kMostWaiting = 256;

}  // namespace

void ConfirmedOutputEvents::OutputWritten(const OutputWrite& write) {
    if (!write.error.empty()) {
        target_->OutputWritten(write);  // refused at once: nothing to wait for
        return;
    }
    if (waiting_.size() == kMostWaiting) {
        Unconfirmed(waiting_.front(), "the device's answer did not come");
        waiting_.pop_front();
    }
    waiting_.push_back(write);
}

void ConfirmedOutputEvents::Confirm(std::int16_t word, const std::string& refusal) {
    const auto answered =
        std::find_if(waiting_.begin(), waiting_.end(),
                     [word](const OutputWrite& write) { return write.word == word; });
    if (answered == waiting_.end()) {
        return;
    }
    for (auto replaced = waiting_.begin(); replaced != answered; ++replaced) {
        Unconfirmed(*replaced, "a newer word replaced it before it reached the device");
    }
    OutputWrite write = *answered;
    write.error = refusal;
    waiting_.erase(waiting_.begin(), answered + 1);
    target_->OutputWritten(write);
}

void ConfirmedOutputEvents::Unconfirmed(OutputWrite write, const std::string& why) {
    write.error = why;
    target_->OutputWritten(write);
}

}  // namespace quillon
