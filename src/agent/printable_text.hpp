// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quillon::agent {

// Text from messages, files and servers as a terminal or a log may show it: control
// characters (C0, DEL, C1) and bytes that are not UTF-8 become \xNN, so that no escape
// sequence and no line break reaches the reader raw.
std::string Printable(std::string_view text);

// Whole-text numbers, as the agent's files hold them: digits only (an optional leading
// minus for the signed one), nothing before or after, within range; else nothing.
std::optional<long long> WholeInteger(std::string_view text);
// A finite decimal number ("2", "0.5"); "inf", "nan", blanks and trailing text are refused.
std::optional<double> FiniteNumber(std::string_view text);

}  // namespace quillon::agent
