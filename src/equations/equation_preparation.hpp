// SPDX-License-Identifier: MIT
#pragma once

#include <string>

#include "control/session.hpp"
#include "equations/evaluator.hpp"
#include "host/host_control.hpp"
#include "platform/prompter.hpp"

namespace quillon {

// Validates one equation at Start: every channel it names must exist, and it must evaluate
// once with real samples in it. Raises the run's HistoryDepth and StatisticsInUse. Tells the
// operator why an equation is rejected.
class EquationPreparation {
public:
    EquationPreparation(HostControl& host, Prompter& prompter, const Evaluator& evaluator,
                        Session& session);

    bool PrepareForRun(const std::string& equation);

private:
    void NoteStatisticsUse(const std::string& equation);
    void NoteHistoryDepth(const std::string& equation);
    bool ChannelsExist(const std::string& equation);
    bool TestEvaluationPasses(const std::string& equation);
    std::string TestExpression(const std::string& equation);
    void Reject(const std::string& message);

    HostControl& host_;
    Prompter& prompter_;
    const Evaluator& evaluator_;
    Session& session_;
};

}  // namespace quillon
