// SPDX-License-Identifier: MIT
#include "equations/literal_substitution.hpp"

#include <cmath>

#include "equations/number_format.hpp"
#include "equations/statistic_names.hpp"
#include "equations/substitution_error.hpp"
#include "equations/text_replacement.hpp"
#include "equations/window_statistic.hpp"

namespace quillon {
namespace {

constexpr int kSampleDecimals = 17;
constexpr int kStatisticDecimals = 15;

void ReplaceStatistics(std::string& text, int channel, const TickInputs& in) {
    for (int t = kStatisticMin; t <= kStatisticAcRms; ++t) {
        const std::string token =
            "#" + std::string(kAdvancedFunctionNames[t]) + std::to_string(channel);
        ReplaceAll(text, token, [&] {
            return FormatSubstitutedNumber(
                FiniteStatistic(WindowStatistic(t, channel, in.window, in.data_window, in.host),
                                token, channel),
                kStatisticDecimals);
        });
    }
    // The digital tokens name bits, not channels: the first pass finds them all, unless a
    // replacement has just completed one ("#dig#3").
    for (int t : {kStatisticDigitalBit, kStatisticDigitalValue}) {
        for (int bit = 0; bit < kDigitalBits; ++bit) {
            ReplaceAll(text, "#" + std::string(kAdvancedFunctionNames[t]) + std::to_string(bit),
                       [&] {
                           return FormatSubstitutedNumber(
                               WindowStatistic(t, bit, in.window, in.data_window, in.host),
                               kStatisticDecimals);
                       });
        }
    }
}

std::string ValueText(double value) {
    if (std::isnan(value)) {
        return "nan";
    }
    return value > 0 ? "+inf" : "-inf";
}

}  // namespace

double FiniteSample(double value, std::string_view token, int channel) {
    if (!std::isfinite(value)) {
        throw SubstitutionError(std::string(token) + ": channel " + std::to_string(channel) +
                                " reads " + ValueText(value) + " (over range or a broken input?)");
    }
    return value;
}

double FiniteStatistic(double value, std::string_view token, int channel) {
    if (!std::isfinite(value)) {
        throw SubstitutionError(std::string(token) + ": the window of channel " +
                                std::to_string(channel) + " gives " + ValueText(value) +
                                " (a sample over range or a broken input?)");
    }
    return value;
}

double FiniteHostValue(double value) {
    if (!std::isfinite(value)) {
        throw SubstitutionError("#@: the host value is " + ValueText(value));
    }
    return value;
}

double CheckedSample(const SampleBlock& block, int channel, int scan) {
    if (channel < 0 || channel >= block.Channels() || scan < 0 || scan >= block.Scans()) {
        throw SubstitutionError("the host returned " + std::to_string(block.Channels()) +
                                " channels by " + std::to_string(block.Scans()) +
                                " scans, without channel " + std::to_string(channel) + " scan " +
                                std::to_string(scan));
    }
    return block.At(channel, scan);
}

std::string SubstituteTokensLiteral(std::string_view equation, const TickInputs& in) {
    const double host_value = in.host.HostValue();
    return SubstituteTokensLiteral(equation, in, host_value, in.host.ChannelCount());
}

std::string SubstituteTokensLiteral(std::string_view equation, const TickInputs& in,
                                    double host_value, int channels) {
    std::string text(equation);
    if (text.find("#@") != std::string::npos) {
        ReplaceAll(text, "#@",
                   FormatSubstitutedNumber(FiniteHostValue(host_value), kSampleDecimals));
    }
    const int h = in.history_depth;
    for (int ch = channels - 1; ch >= 0; --ch) {
        ReplaceAll(text, ChannelToken(ch), [&] {
            return FormatSubstitutedNumber(
                FiniteSample(CheckedSample(in.samples, ch, h), ChannelToken(ch), ch),
                kSampleDecimals);
        });
        if (in.statistics_in_use) {
            ReplaceStatistics(text, ch, in);
        }
        for (int k = h; k >= 1; --k) {
            ReplaceAll(text, HistoryToken(k, ch), [&] {
                return FormatSubstitutedNumber(
                    FiniteSample(CheckedSample(in.samples, ch, h - k), HistoryToken(k, ch), ch),
                    kSampleDecimals);
            });
        }
    }
    return text;
}

}  // namespace quillon
