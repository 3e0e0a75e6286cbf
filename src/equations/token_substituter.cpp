// SPDX-License-Identifier: MIT
#include "equations/token_substituter.hpp"

#include "equations/evaluator.hpp"
#include "equations/literal_substitution.hpp"
#include "equations/substitution_error.hpp"

namespace quillon {

CompiledEquation& TokenSubstituter::Compiled(int slot, const std::string& equation,
                                             const TickInputs& in, double& host_value,
                                             int& channels) {
    // History tokens count back from the newest scan of a full block; in a short one they
    // would name newer scans than they say.
    if (in.samples.Scans() < in.history_depth + 1) {
        throw SubstitutionError("the host returned " + std::to_string(in.samples.Scans()) +
                                " scans where " + std::to_string(in.history_depth + 1) +
                                " were asked for");
    }
    host_value = in.host.HostValue();
    channels = in.host.ChannelCount();
    const TokenLayout layout{channels, in.history_depth, in.statistics_in_use};
    std::optional<CompiledEquation>& compiled = compiled_.at(static_cast<std::size_t>(slot));
    if (!compiled || !compiled->CompiledFrom(equation, layout)) {
        compiled.emplace(equation, layout);
    }
    return *compiled;
}

const std::string& TokenSubstituter::SubstituteTokens(int slot, const std::string& equation,
                                                      const TickInputs& in) {
    unwritten_ = nullptr;
    double host_value = 0.0;
    int channels = 0;
    CompiledEquation& compiled = Compiled(slot, equation, in, host_value, channels);
    if (compiled.UsesReplacementSequence()) {
        expression_ = SubstituteTokensLiteral(equation, in, host_value, channels);
    } else {
        compiled.Substitute(in, host_value, expression_);
    }
    return expression_;
}

double TokenSubstituter::EvaluateEquation(int slot, const std::string& equation,
                                          const TickInputs& in) {
    unwritten_ = nullptr;
    double host_value = 0.0;
    int channels = 0;
    CompiledEquation& compiled = Compiled(slot, equation, in, host_value, channels);
    if (compiled.HasProgram()) {
        if (const std::optional<double> value = compiled.Evaluate(in, host_value)) {
            unwritten_ = &compiled;
            return *value;
        }
        // The value fails: the text says why, where, exactly as it would have.
        compiled.WriteLastExpression(expression_);
    } else if (compiled.UsesReplacementSequence()) {
        expression_ = SubstituteTokensLiteral(equation, in, host_value, channels);
    } else {
        compiled.Substitute(in, host_value, expression_);
    }
    return Evaluator().Evaluate(expression_);
}

const std::string& TokenSubstituter::LastExpression() {
    if (unwritten_ != nullptr) {
        unwritten_->WriteLastExpression(expression_);
        unwritten_ = nullptr;
    }
    return expression_;
}

}  // namespace quillon
