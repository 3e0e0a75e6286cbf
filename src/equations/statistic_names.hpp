// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <string_view>

namespace quillon {

// The windowed-statistics names after "#", by statistic number.
inline constexpr std::array<std::string_view, 7> kAdvancedFunctionNames = {
    "min", "max", "ave", "rms", "acrms", "dig", "digx"};

inline constexpr int kStatisticMin = 0;
inline constexpr int kStatisticMax = 1;
inline constexpr int kStatisticAverage = 2;
inline constexpr int kStatisticRms = 3;
inline constexpr int kStatisticAcRms = 4;
inline constexpr int kStatisticDigitalBit = 5;
inline constexpr int kStatisticDigitalValue = 6;
// Bits 0 to 7 of the digital-input channel have tokens.
inline constexpr int kDigitalBits = 8;

}  // namespace quillon
