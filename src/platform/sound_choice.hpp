// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string_view>

namespace quillon {

enum class SoundSource {
    File,     // the file itself
    Bell,     // the bell Quillon ships
    Silence,  // nothing
};

// A path written for Windows: a drive letter ("c:") or a backslash anywhere.
bool IsWindowsPath(std::string_view path);

// What to play for a path. A missing Windows path stands for a system sound that this machine
// lacks, so the bell plays in its place; another missing file plays the bell only as the
// default sound, when the flags allow one.
SoundSource ChooseSound(std::string_view path, std::int16_t flags, bool file_exists);

}  // namespace quillon
