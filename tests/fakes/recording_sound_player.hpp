// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/sound_player.hpp"

namespace quillon::testing {

// Records every sound it is asked to play.
class RecordingSoundPlayer final : public SoundPlayer {
public:
    struct Played {
        std::string path;
        std::int16_t flags;
    };
    std::vector<Played> played;

    void Play(const std::string& path, std::int16_t flags) override {
        played.push_back({path, flags});
    }
};

}  // namespace quillon::testing
