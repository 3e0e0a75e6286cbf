// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>

namespace quillon {

// Flag values of the sound call, as the settings and the alarm use them.
inline constexpr std::int16_t kSoundAsync = 1;      // return at once, play in the background
inline constexpr std::int16_t kSoundNoDefault = 2;  // silence, not the default sound, on failure

// Plays a .wav file for the audio alarm.
class SoundPlayer {
public:
    virtual ~SoundPlayer() = default;
    // Returns at once; a sound still playing is replaced. A file that cannot be played gives
    // silence (or the default sound without kSoundNoDefault); nothing is reported.
    virtual void Play(const std::string& path, std::int16_t flags) = 0;
};

}  // namespace quillon
