// SPDX-License-Identifier: MIT
#pragma once

#include "platform/sound_player.hpp"

namespace quillon {

// The system's own wave player; the settings' flags are its flags.
class Win32SoundPlayer final : public SoundPlayer {
public:
    void Play(const std::string& path, std::int16_t flags) override;
};

}  // namespace quillon
