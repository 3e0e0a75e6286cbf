// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>

#include "equations/tick_inputs.hpp"

namespace quillon {

// Token substitution as a sequence of whole-text replacements: "#@" first, then the channels
// from the highest down so that longer tokens win, each with its statistics and history.
// Exact for every text, and slow with many channels: CompiledEquation uses it only for the
// texts where filling in tokens in one pass could differ.
std::string SubstituteTokensLiteral(std::string_view equation, const TickInputs& inputs);
// The same with the "#@" value and the channel count already asked of the host.
std::string SubstituteTokensLiteral(std::string_view equation, const TickInputs& inputs,
                                    double host_value, int channels);

}  // namespace quillon
