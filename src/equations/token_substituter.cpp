// SPDX-License-Identifier: MIT
#include "equations/token_substituter.hpp"

#include "equations/literal_substitution.hpp"
#include "equations/substitution_error.hpp"

namespace quillon {

const std::string& TokenSubstituter::SubstituteTokens(int slot, const std::string& equation,
                                                      const TickInputs& in) {
    // History tokens count back from the newest scan of a full block; in a short one they
    // would name newer scans than they say.
    if (in.samples.Scans() < in.history_depth + 1) {
        throw SubstitutionError("the host returned " + std::to_string(in.samples.Scans()) +
                                " scans where " + std::to_string(in.history_depth + 1) +
                                " were asked for");
    }
    const double host_value = in.host.HostValue();
    const int channels = in.host.ChannelCount();
    const TokenLayout layout{channels, in.history_depth, in.statistics_in_use};
    std::optional<CompiledEquation>& compiled = compiled_.at(static_cast<std::size_t>(slot));
    if (!compiled || !compiled->CompiledFrom(equation, layout)) {
        compiled.emplace(equation, layout);
    }
    if (compiled->UsesReplacementSequence()) {
        expression_ = SubstituteTokensLiteral(equation, in, host_value, channels);
    } else {
        compiled->Substitute(in, host_value, expression_);
    }
    return expression_;
}

}  // namespace quillon
