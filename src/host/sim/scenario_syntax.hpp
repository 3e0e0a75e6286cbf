// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The lexical rules of scenario text. Errors are std::invalid_argument without a position;
// ScenarioParser adds the source and line.
namespace quillon::sim {

// Splits a line into words at blanks. "..." quotes a part of a word (\" and \\ inside it
// stand for " and \); # outside quotes starts a comment.
std::vector<std::string> SplitScenarioLine(std::string_view line);

// A finite decimal number in the C locale. `what` names the value in the message.
double ParseNumber(std::string_view text, std::string_view what);
// A number that is at least 0.
double ParseSeconds(std::string_view text, std::string_view what);
// A whole number within [low, high].
std::int64_t ParseInteger(std::string_view text, std::string_view what, std::int64_t low,
                          std::int64_t high);

// "a, b or c", for messages that list the accepted words.
std::string JoinChoices(const std::vector<std::string_view>& choices);

}  // namespace quillon::sim
