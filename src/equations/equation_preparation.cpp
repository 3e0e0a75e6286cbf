// SPDX-License-Identifier: MIT
#include "equations/equation_preparation.hpp"

#include <algorithm>

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

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Where the channel number of the token at `hash` starts: after "#", a history letter or a
// channel statistic's name. npos for "#dig"/"#digx", whose number is a bit, not a channel.
std::size_t ChannelNumberStart(std::string_view text, std::size_t hash) {
    const std::string_view rest = text.substr(hash + 1);
    if (rest.starts_with(kAdvancedFunctionNames[kStatisticDigitalBit])) {
        return std::string_view::npos;
    }
    for (int t = kStatisticMin; t <= kStatisticAcRms; ++t) {
        if (rest.starts_with(kAdvancedFunctionNames[t])) {
            return hash + 1 + kAdvancedFunctionNames[t].size();
        }
    }
    const bool history_letter = !rest.empty() && rest.front() >= 'A' && rest.front() <= 'Z';
    return hash + 1 + (history_letter ? 1 : 0);
}

// Whether the whole run of digits names a channel the host has: the replacement passes alone
// would take "#A12" with 3 channels as channel 1 followed by the digit 2. A leading zero names
// no channel either ("#01" would read channel 0 followed by a 1).
bool NamesChannel(std::string_view digits, int channels) {
    if (digits.size() > 1 && digits.front() == '0') {
        return false;
    }
    int number = 0;
    for (const char digit : digits) {
        number = number * 10 + (digit - '0');
        if (number > kHighestMarkedChannel) {
            return false;
        }
    }
    return number < channels;
}

bool NamesMissingChannel(std::string_view text, int channels) {
    for (std::size_t hash = text.find('#'); hash != std::string_view::npos;
         hash = text.find('#', hash + 1)) {
        const std::size_t start = ChannelNumberStart(text, hash);
        if (start == std::string_view::npos) {
            continue;
        }
        std::size_t end = start;
        while (end < text.size() && IsDigit(text[end])) {
            ++end;
        }
        if (end > start && !NamesChannel(text.substr(start, end - start), channels)) {
            return true;
        }
    }
    return false;
}

bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

std::size_t DigitsEnd(std::string_view text, std::size_t at) {
    while (at < text.size() && IsDigit(text[at])) {
        ++at;
    }
    return at;
}

// Where the token at `hash` ends, or npos when no token starts there: "#@", "#dig"/"#digx"
// with one bit digit, or a channel number (after "#", a history letter or a statistic's name)
// with all its digits.
std::size_t TokenEnd(std::string_view text, std::size_t hash) {
    const std::string_view rest = text.substr(hash + 1);
    if (rest.starts_with('@')) {
        return hash + 2;
    }
    for (int t : {kStatisticDigitalValue, kStatisticDigitalBit}) {
        const std::string_view name = kAdvancedFunctionNames[t];
        if (rest.starts_with(name) && rest.size() > name.size() && IsDigit(rest[name.size()])) {
            return hash + 1 + name.size() + 1;
        }
    }
    const std::size_t start = ChannelNumberStart(text, hash);
    if (start == std::string_view::npos || start >= text.size() || !IsDigit(text[start])) {
        return std::string_view::npos;
    }
    return DigitsEnd(text, start);
}

// The first token whose number runs straight into a digit, a point or a letter ("#0e1",
// "#@1", "#dig01"): the inserted number would swallow them ("5.e1"), and whether the result
// reads at all would depend on the value of the moment.
std::string GluedToken(std::string_view text) {
    for (std::size_t hash = text.find('#'); hash != std::string_view::npos;
         hash = text.find('#', hash + 1)) {
        const std::size_t end = TokenEnd(text, hash);
        if (end != std::string_view::npos && end < text.size() &&
            (IsDigit(text[end]) || text[end] == '.' || IsLetter(text[end]))) {
            return std::string(text.substr(hash, end - hash));
        }
    }
    return {};
}

}  // namespace

EquationPreparation::EquationPreparation(HostControl& host, Prompter& prompter,
                                         const Evaluator& evaluator)
    : host_(host), prompter_(prompter), evaluator_(evaluator) {}

PreparationResult EquationPreparation::PrepareForRun(const std::string& equation, TokenUse so_far) {
    PreparationResult result{false, RaisedUse(equation, so_far)};
    try {
        if (!ChannelsExist(equation, result.use)) {
            Reject("Channel(s) not found in Windaq (" + equation + ")");
            return result;
        }
    } catch (const std::exception&) {
        // The host could not say which channels exist: the equation cannot be checked.
        Reject(kFailedEvaluation);
        return result;
    }
    if (const std::string glued = GluedToken(equation); !glued.empty()) {
        Reject("Text after the token " + glued + " in (" + equation +
               "): put an operator or a blank between a token and what follows");
        return result;
    }
    if (!TestEvaluationPasses(equation, result.use)) {
        Reject(kFailedEvaluation);
        return result;
    }
    result.accepted = true;
    return result;
}

// Any statistic name after "#" counts, with or without a number; the deepest "#" + letter
// gives the depth ("#@" is depth 0).
TokenUse EquationPreparation::RaisedUse(const std::string& equation, TokenUse use) {
    for (std::string_view name : kAdvancedFunctionNames) {
        if (equation.find("#" + std::string(name)) != std::string::npos) {
            use.statistics_in_use = true;
        }
    }
    for (int v = 26; v >= 0; --v) {
        if (equation.find(std::string("#") + static_cast<char>('@' + v)) != std::string::npos) {
            use.history_depth = std::max(use.history_depth, v);
            break;
        }
    }
    return use;
}

bool EquationPreparation::ChannelsExist(const std::string& equation, const TokenUse& use) {
    std::string text = equation;
    int channels = host_.ChannelCount();
    if (NamesMissingChannel(equation, channels)) {
        return false;
    }
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
        for (int k = use.history_depth; k >= 1; --k) {
            ReplaceAll(text, HistoryToken(k, ch), "");
        }
    }
    ReplaceAll(text, "#@", "");
    if (use.statistics_in_use) {
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

bool EquationPreparation::TestEvaluationPasses(const std::string& equation, const TokenUse& use) {
    try {
        evaluator_.Evaluate(TestExpression(equation, use));
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

std::string EquationPreparation::TestExpression(const std::string& equation, const TokenUse& use) {
    host_.PrepareAcquisition();
    const int h = use.history_depth;
    SampleBlock block;
    host_.ReadScans(static_cast<std::int16_t>(h + 1), block);
    std::string text = equation;
    ReplaceAll(text, "#@", FormatSubstitutedNumber(host_.HostValue(), kSampleDecimals));
    const auto sample = [&](int ch, int scan) {
        return FormatSubstitutedNumber(CheckedSample(block, ch, scan), kSampleDecimals);
    };
    WindowBlock window;
    window.CopyFrom(block);
    const int channels = host_.ChannelCount();
    for (int ch = channels - 1; ch >= 0; --ch) {
        ReplaceAll(text, ChannelToken(ch), [&] { return sample(ch, 0); });
        for (int k = h; k >= 1; --k) {
            ReplaceAll(text, HistoryToken(k, ch), [&] { return sample(ch, h - k); });
        }
        if (use.statistics_in_use) {
            for (int t = kStatisticMin; t <= kStatisticAcRms; ++t) {
                ReplaceAll(text, StatisticToken(t, ch), [&] { return sample(ch, 0); });
            }
        }
        // The digital tokens take bits 0 to 7 whatever the channel count, read from the test
        // block's newest scan as the scan cycle reads them from its window.
        for (int t : {kStatisticDigitalBit, kStatisticDigitalValue}) {
            for (int bit = 0; use.statistics_in_use && bit < kDigitalBits; ++bit) {
                ReplaceAll(text, StatisticToken(t, bit), [&] {
                    return FormatSubstitutedNumber(
                        WindowStatistic(t, bit, window, static_cast<std::int16_t>(window.Scans()),
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
