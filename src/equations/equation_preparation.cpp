// SPDX-License-Identifier: MIT
#include "equations/equation_preparation.hpp"

#include "equations/number_format.hpp"
#include "equations/statistic_names.hpp"
#include "equations/text_replacement.hpp"
#include "equations/tick_inputs.hpp"
#include "equations/window_statistic.hpp"

namespace quillon {
namespace {

constexpr int kSampleDecimals = 17;
constexpr int kStatisticDecimals = 15;
constexpr int kHighestMarkedChannel = 256;
constexpr const char* kFailedEvaluation =
    "Failed to evaluate the equation. Please fix the error and start again";

std::string StatisticToken(int t, int number) {
    return "#" + std::string(kAdvancedFunctionNames[t]) + std::to_string(number);
}

}  // namespace

EquationPreparation::EquationPreparation(HostControl& host, Prompter& prompter,
                                         const Evaluator& evaluator, Session& session)
    : host_(host), prompter_(prompter), evaluator_(evaluator), session_(session) {}

bool EquationPreparation::PrepareForRun(const std::string& equation) {
    NoteStatisticsUse(equation);
    NoteHistoryDepth(equation);
    try {
        if (!ChannelsExist(equation)) {
            Reject("Channel(s) not found in Windaq (" + equation + ")");
            return false;
        }
    } catch (const std::exception&) {
        // The host could not say which channels exist: the equation cannot be checked.
        Reject(kFailedEvaluation);
        return false;
    }
    if (!TestEvaluationPasses(equation)) {
        Reject(kFailedEvaluation);
        return false;
    }
    return true;
}

// Any statistic name after "#" counts, with or without a number.
void EquationPreparation::NoteStatisticsUse(const std::string& equation) {
    for (std::string_view name : kAdvancedFunctionNames) {
        if (equation.find("#" + std::string(name)) != std::string::npos) {
            session_.statistics_in_use = true;
        }
    }
}

// The deepest "#" + letter; "#@" is depth 0.
void EquationPreparation::NoteHistoryDepth(const std::string& equation) {
    for (int v = 26; v >= 0; --v) {
        if (equation.find(std::string("#") + static_cast<char>('@' + v)) != std::string::npos) {
            session_.history_depth = std::max(session_.history_depth, v);
            return;
        }
    }
}

bool EquationPreparation::ChannelsExist(const std::string& equation) {
    std::string text = equation;
    int channels = host_.ChannelCount();
    // Mark channels that do not exist, so their leading digits cannot pass as a shorter one.
    for (int i = kHighestMarkedChannel; i >= channels; --i) {
        ReplaceAll(text, ChannelToken(i), "####");
    }
    channels = host_.ChannelCount();
    for (int ch = channels - 1; ch >= 0; --ch) {
        ReplaceAll(text, ChannelToken(ch), "");
    }
    channels = host_.ChannelCount();
    for (int ch = channels - 1; ch >= 0; --ch) {
        for (int k = session_.history_depth; k >= 1; --k) {
            ReplaceAll(text, HistoryToken(k, ch), "");
        }
    }
    ReplaceAll(text, "#@", "");
    if (session_.statistics_in_use) {
        channels = host_.ChannelCount();
        for (int ch = channels - 1; ch >= 0; --ch) {
            for (int t = kStatisticMin; t <= kStatisticAcRms; ++t) {
                ReplaceAll(text, StatisticToken(t, ch), "");
            }
        }
        for (int t : {kStatisticDigitalBit, kStatisticDigitalValue}) {
            ReplaceAll(text, "#" + std::string(kAdvancedFunctionNames[t]), "");
        }
    }
    return text.find('#') == std::string::npos;
}

bool EquationPreparation::TestEvaluationPasses(const std::string& equation) {
    try {
        evaluator_.Evaluate(TestExpression(equation));
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

std::string EquationPreparation::TestExpression(const std::string& equation) {
    host_.PrepareAcquisition();
    const int h = session_.history_depth;
    SampleBlock block;
    host_.ReadScans(static_cast<std::int16_t>(h + 1), block);
    std::string text = equation;
    ReplaceAll(text, "#@", FormatSubstitutedNumber(host_.HostValue(), kSampleDecimals));
    const auto sample = [&](int ch, int scan) {
        return FormatSubstitutedNumber(CheckedSample(block, ch, scan), kSampleDecimals);
    };
    const int channels = host_.ChannelCount();
    for (int ch = channels - 1; ch >= 0; --ch) {
        ReplaceAll(text, ChannelToken(ch), [&] { return sample(ch, 0); });
        for (int k = h; k >= 1; --k) {
            ReplaceAll(text, HistoryToken(k, ch), [&] { return sample(ch, h - k); });
        }
        if (session_.statistics_in_use) {
            for (int t = kStatisticMin; t <= kStatisticAcRms; ++t) {
                ReplaceAll(text, StatisticToken(t, ch), [&] { return sample(ch, 0); });
            }
        }
        // The digital tokens take bits 0 to 7 whatever the channel count, read from the test
        // block's newest scan as the scan cycle reads them from its window.
        for (int t : {kStatisticDigitalBit, kStatisticDigitalValue}) {
            for (int bit = 0; session_.statistics_in_use && bit < kDigitalBits; ++bit) {
                ReplaceAll(text, StatisticToken(t, bit), [&] {
                    return FormatSubstitutedNumber(
                        WindowStatistic(t, bit, block, static_cast<std::int16_t>(block.Scans()),
                                        host_),
                        kStatisticDecimals);
                });
            }
        }
    }
    return text;
}

void EquationPreparation::Reject(const std::string& message) {
    prompter_.MessageBox(MessageIcon::Critical, message, "");
}

}  // namespace quillon
