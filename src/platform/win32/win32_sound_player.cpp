// SPDX-License-Identifier: MIT
#include "platform/win32/win32_sound_player.hpp"

#include <windows.h>

#include <mmsystem.h>

namespace quillon {

static_assert(kSoundAsync == SND_ASYNC && kSoundNoDefault == SND_NODEFAULT,
              "the settings store the sound call's own flag values");

void Win32SoundPlayer::Play(const std::string& path, std::int16_t flags) {
    // The result is not used: a sound that cannot play is silence, as the flags ask.
    ::sndPlaySoundA(path.c_str(), static_cast<UINT>(static_cast<std::uint16_t>(flags)));
}

}  // namespace quillon
