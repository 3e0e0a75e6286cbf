// SPDX-License-Identifier: MIT
#pragma once

#include <string>

#include "equations/evaluator.hpp"
#include "equations/token_use.hpp"
#include "host/host_control.hpp"
#include "platform/prompter.hpp"

namespace quillon {

// The outcome of preparing one equation: whether it is accepted, and the run's token use
// raised by it (even when it is rejected, as far as it was read).
struct PreparationResult {
    bool accepted = false;
    TokenUse use;
};

// Validates one equation at Start: every channel it names must exist, and it must evaluate
// once with real samples in it. Tells the operator why an equation is rejected.
class EquationPreparation {
public:
    EquationPreparation(HostControl& host, Prompter& prompter, const Evaluator& evaluator);

    // `so_far` is the token use of the run's equations prepared before this one.
    PreparationResult PrepareForRun(const std::string& equation, TokenUse so_far);

private:
    static TokenUse RaisedUse(const std::string& equation, TokenUse use);
    bool ChannelsExist(const std::string& equation, const TokenUse& use);
    bool TestEvaluationPasses(const std::string& equation, const TokenUse& use);
    std::string TestExpression(const std::string& equation, const TokenUse& use);
    void Reject(const std::string& message);

    HostControl& host_;
    Prompter& prompter_;
    const Evaluator& evaluator_;
};

}  // namespace quillon
