// SPDX-License-Identifier: MIT
#include "fleet/line_queue.hpp"

#include <bit>

namespace quillon::fleet {

LineQueue::LineQueue(std::size_t capacity, std::size_t line_reserve)
    : slots_(std::bit_ceil(capacity < 2 ? std::size_t{2} : capacity)), mask_(slots_.size() - 1) {
    for (std::string& slot : slots_) {
        slot.reserve(line_reserve);
    }
}

bool LineQueue::Push(std::string_view line) {
    const std::size_t tail = tail_.load(std::memory_order_relaxed);
    if (tail - head_.load(std::memory_order_acquire) == slots_.size()) {
        refused_.fetch_add(1, std::memory_order_relaxed);
        return false;
    }
    slots_[tail & mask_].assign(line);
    tail_.store(tail + 1, std::memory_order_release);
    return true;
}

bool LineQueue::Pop(std::string& line) {
    const std::size_t head = head_.load(std::memory_order_relaxed);
    if (head == tail_.load(std::memory_order_acquire)) {
        return false;
    }
    line.swap(slots_[head & mask_]);
    head_.store(head + 1, std::memory_order_release);
    return true;
}

}  // namespace quillon::fleet
