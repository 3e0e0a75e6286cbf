// SPDX-License-Identifier: MIT
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillon::fleet {

// Lines from one producer (the tick's thread) to one consumer (the publisher's thread), without
// locks. Each slot keeps its string's capacity, so that after the first lines a push copies
// without allocating. A full queue refuses the line and counts it; the producer never waits.
class LineQueue {
public:
    // `capacity` is rounded up to a power of two.
    explicit LineQueue(std::size_t capacity, std::size_t line_reserve = 512);

    // Producer only.
    bool Push(std::string_view line);
    // Consumer only: the oldest line into `line` (swapped, so capacities circulate).
    bool Pop(std::string& line);
    // Consumer only: lines refused since the last call.
    std::uint64_t TakeRefused() { return refused_.exchange(0, std::memory_order_relaxed); }

private:
    std::vector<std::string> slots_;
    std::size_t mask_;
    alignas(64) std::atomic<std::size_t> head_{0};  // next to pop
    alignas(64) std::atomic<std::size_t> tail_{0};  // next to push
    alignas(64) std::atomic<std::uint64_t> refused_{0};
};

}  // namespace quillon::fleet
