// SPDX-License-Identifier: MIT
#include "ui/headless/console_sound_player.hpp"

#include <filesystem>
#include <ostream>
#include <system_error>

#include "platform/sound_choice.hpp"
#include "ui/headless/timestamp.hpp"

namespace quillon {
namespace {

const char* Heard(SoundSource source) {
    switch (source) {
        case SoundSource::File:
            return "the file";
        case SoundSource::Bell:
            return "the bell";
        case SoundSource::Silence:
            break;
    }
    return "silence (no such file)";
}

}  // namespace

void ConsoleSoundPlayer::Play(const std::string& path, std::int16_t flags) {
    std::error_code ignored;
    const bool exists = std::filesystem::is_regular_file(path, ignored);
    const char* heard = Heard(ChooseSound(path, flags, exists));
    out_ << Timestamp(clock_.WallTime()) << " sound \"" << path << "\" flags " << flags << ": "
         << heard << std::endl;
    if (events_ != nullptr) {
        events_->Sound(path, flags, heard);
    }
}

}  // namespace quillon
