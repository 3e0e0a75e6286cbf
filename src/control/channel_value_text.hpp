// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>

#include "platform/locale.hpp"

namespace quillon {

// A channel's sample as the alarm e-mail shows it: the general number format when that is at
// most 5 characters, else fixed decimals chosen by the channel's larger range magnitude
// (e = floor(log10(|range|)): |e| + 7 decimals below 0, 5 - e for 0 to 3, none from 4), with
// the locale's decimal separator. A range of 0 (no digit count) keeps the general format.
std::string ChannelValueText(double value, double larger_range, Locale& locale,
                             std::string_view decimal_separator);

}  // namespace quillon
