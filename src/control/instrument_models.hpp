// SPDX-License-Identifier: MIT
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>

namespace quillon {

// Instruments without digital outputs on the window.
inline bool HasNoOutputs(std::int16_t model) {
    constexpr std::array<std::int16_t, 5> kModels = {154, 194, 195, 718, 145};
    return std::find(kModels.begin(), kModels.end(), model) != kModels.end();
}

// Instruments whose outputs 0 and 1 are not offered on the window.
inline bool LacksOutputsZeroAndOne(std::int16_t model) {
    constexpr std::array<std::int16_t, 11> kModels = {480, 481,  580,  581,  710, 715,
                                                      719, 1480, 1481, 1580, 1581};
    return std::find(kModels.begin(), kModels.end(), model) != kModels.end();
}

// The instrument with only outputs 0 to 3.
inline bool HasFourOutputs(std::int16_t model) {
    return model == 149;
}

}  // namespace quillon
