// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>

namespace quillon {

// One digital-output write as every view and the output log show it: the host's time in
// seconds with 3 decimals, the word as an unsigned decimal and its 16-bit pattern in hex, as
// in "12.345 129 0x0081" or "12.345 64256 0xFB00". The same in every locale.
std::string OutputWriteText(double seconds, std::int16_t word);

}  // namespace quillon
