// SPDX-License-Identifier: MIT
#pragma once

#include <iosfwd>

#include "platform/clock.hpp"
#include "platform/sound_player.hpp"
#include "ui/headless/console_event_lines.hpp"

namespace quillon {

// Without a sound device of its own, the console shows each alarm sound as a timestamped line
// that names the file and what would be heard; with `events` (--events-json) also as a "sound"
// line among the events.
class ConsoleSoundPlayer final : public SoundPlayer {
public:
    ConsoleSoundPlayer(std::ostream& out, Clock& clock, ConsoleEventLines* events = nullptr)
        : out_(out), clock_(clock), events_(events) {}
    void Play(const std::string& path, std::int16_t flags) override;

private:
    std::ostream& out_;
    Clock& clock_;
    ConsoleEventLines* events_;
};

}  // namespace quillon
