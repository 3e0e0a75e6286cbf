// SPDX-License-Identifier: MIT
#include "platform/sound_choice.hpp"

#include "platform/sound_player.hpp"

namespace quillon {
namespace {

bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

}  // namespace

bool IsWindowsPath(std::string_view path) {
    const bool drive = path.size() >= 2 && IsLetter(path[0]) && path[1] == ':';
    return drive || path.find('\\') != std::string_view::npos;
}

SoundSource ChooseSound(std::string_view path, std::int16_t flags, bool file_exists) {
    if (file_exists) {
        return SoundSource::File;
    }
    if (IsWindowsPath(path) || (flags & kSoundNoDefault) == 0) {
        return SoundSource::Bell;
    }
    return SoundSource::Silence;
}

}  // namespace quillon
