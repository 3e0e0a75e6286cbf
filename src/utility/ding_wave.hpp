// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <vector>

namespace quillon {

inline constexpr int kDingSampleRate = 44100;
inline constexpr int kDingMilliseconds = 700;

// Quillon's bell: a short decaying sine "ding" as the bytes of a mono 16-bit PCM .wav file.
std::vector<std::uint8_t> DingWave();

}  // namespace quillon
