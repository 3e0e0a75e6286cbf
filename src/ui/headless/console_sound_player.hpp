// SPDX-License-Identifier: MIT
#pragma once

#include <iosfwd>

#include "platform/clock.hpp"
#include "platform/sound_player.hpp"

namespace quillon {

// Without a sound device of its own, the console shows each alarm sound as a timestamped line
// that names the file and what would be heard.
class ConsoleSoundPlayer final : public SoundPlayer {
public:
    ConsoleSoundPlayer(std::ostream& out, Clock& clock) : out_(out), clock_(clock) {}
    void Play(const std::string& path, std::int16_t flags) override;

private:
    std::ostream& out_;
    Clock& clock_;
};

}  // namespace quillon
