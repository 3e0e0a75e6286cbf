// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quillon {

// The length of the well-formed UTF-8 sequence that starts at `at` (1 to 4), or 0 when the
// byte there does not start one (a stray continuation byte, an overlong form, a surrogate, a
// cut sequence).
std::size_t Utf8SequenceLength(std::string_view text, std::size_t at);

// U+FFFD, which stands for each byte that is not part of a well-formed sequence.
inline constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

// `text` with every byte that is not well-formed UTF-8 replaced by U+FFFD.
std::string ValidUtf8(std::string_view text);

}  // namespace quillon
