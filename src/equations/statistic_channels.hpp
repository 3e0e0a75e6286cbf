// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "host/sample_block.hpp"
#include "host/window_block.hpp"

namespace quillon {

// The channels whose window a set of equations can take statistics of, whatever the channel
// count: "#ave123" names channel 1, 12 or 123 depending on how many there are, so all three
// count. An equation in which a token can be built from another's number ("#ave#1") may
// name any channel. Nothing when every channel is needed.
std::optional<std::vector<std::int16_t>> StatisticChannels(
    std::span<const std::string_view> equations);

// The channels whose earlier scans a set of equations can read through "#AN" to "#ZN", in the
// same way: every channel the digits can stand for, nothing when a token can be built.
std::optional<std::vector<std::int16_t>> HistoryChannels(
    std::span<const std::string_view> equations);

// Keeps a window block's selection in step with the slots' equations, reading the texts again
// only when one of them changed.
class WindowSelection {
public:
    void SelectFor(std::span<const std::string_view> equations, WindowBlock& window);

private:
    std::vector<std::string> equations_;
    bool selected_ = false;
};

// Keeps a sample block's history selection in step with the slots' equations, as above.
class HistorySelection {
public:
    void SelectFor(std::span<const std::string_view> equations, SampleBlock& samples);

private:
    std::vector<std::string> equations_;
    bool selected_ = false;
};

}  // namespace quillon
