// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <optional>
#include <string>

#include "equations/compiled_equation.hpp"
#include "equations/tick_inputs.hpp"
#include "panel/panel.hpp"

namespace quillon {

// Turns each slot's equation into a numeric expression on every tick. Each slot keeps its
// equation compiled for the run's token layout and recompiles only when the text or the
// layout changes.
class TokenSubstituter {
public:
    // The expression for the slot's equation; valid until the next call. Asks the host for
    // the "#@" value and the channel count once; failures propagate.
    const std::string& SubstituteTokens(int slot, const std::string& equation,
                                        const TickInputs& inputs);

    // The value the evaluator gives the slot's expression, bit for bit, with the same
    // failures (SubstitutionError, EvaluationError), mostly without writing the text.
    double EvaluateEquation(int slot, const std::string& equation, const TickInputs& inputs);
    // The expression the last EvaluateEquation stood for, written now if it was not then.
    const std::string& LastExpression();

private:
    CompiledEquation& Compiled(int slot, const std::string& equation, const TickInputs& inputs,
                               double& host_value, int& channels);

    std::array<std::optional<CompiledEquation>, kSlotCount> compiled_;
    std::string expression_;
    const CompiledEquation* unwritten_ = nullptr;  // the last evaluated, if its text is due
};

}  // namespace quillon
