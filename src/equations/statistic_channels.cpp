// SPDX-License-Identifier: MIT
#include "equations/statistic_channels.hpp"

#include <algorithm>
#include <limits>

#include "equations/statistic_names.hpp"

namespace quillon {
namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// As for the one-pass fill: a "#" after a letter, a digit or another "#" may complete a
// token with a number inserted before it.
bool MayBuildTokens(std::string_view equation) {
    for (std::size_t i = 1; i < equation.size(); ++i) {
        const char before = equation[i - 1];
        if (equation[i] == '#' && (IsDigit(before) || IsLetter(before) || before == '#')) {
            return true;
        }
    }
    return false;
}

// Every channel number the digits at `at` can stand for: no leading zeros, within 16 bits.
void AddChannelPrefixes(std::string_view equation, std::size_t at,
                        std::vector<std::int16_t>& channels) {
    if (at >= equation.size() || !IsDigit(equation[at])) {
        return;
    }
    if (equation[at] == '0') {
        channels.push_back(0);
        return;
    }
    long value = 0;
    for (std::size_t i = at; i < equation.size() && IsDigit(equation[i]); ++i) {
        value = value * 10 + (equation[i] - '0');
        if (value > std::numeric_limits<std::int16_t>::max()) {
            return;
        }
        channels.push_back(static_cast<std::int16_t>(value));
    }
}

// True, keeping a copy of them, when the equations differ from the kept ones or none are
// kept yet.
bool KeepIfChanged(std::span<const std::string_view> equations, std::vector<std::string>& kept,
                   bool& selected) {
    if (selected && std::equal(equations.begin(), equations.end(), kept.begin(), kept.end())) {
        return false;
    }
    kept.assign(equations.begin(), equations.end());
    selected = true;
    return true;
}

// The channels that `add` finds after each "#" of the equations, sorted and once each;
// nothing when an equation may build its tokens.
template <typename AddAt>
std::optional<std::vector<std::int16_t>> ChannelsAfterTokens(
    std::span<const std::string_view> equations, AddAt add) {
    std::vector<std::int16_t> channels;
    for (const std::string_view equation : equations) {
        if (MayBuildTokens(equation)) {
            return std::nullopt;
        }
        for (std::size_t at = equation.find('#'); at != std::string_view::npos;
             at = equation.find('#', at + 1)) {
            add(equation, at, channels);
        }
    }
    std::sort(channels.begin(), channels.end());
    channels.erase(std::unique(channels.begin(), channels.end()), channels.end());
    return channels;
}

}  // namespace

std::optional<std::vector<std::int16_t>> StatisticChannels(
    std::span<const std::string_view> equations) {
    return ChannelsAfterTokens(equations, [](std::string_view equation, std::size_t at,
                                             std::vector<std::int16_t>& channels) {
        for (int t = kStatisticMin; t <= kStatisticAcRms; ++t) {
            const std::string_view name = kAdvancedFunctionNames[t];
            if (equation.substr(at + 1, name.size()) == name) {
                AddChannelPrefixes(equation, at + 1 + name.size(), channels);
            }
        }
    });
}

std::optional<std::vector<std::int16_t>> HistoryChannels(
    std::span<const std::string_view> equations) {
    return ChannelsAfterTokens(equations, [](std::string_view equation, std::size_t at,
                                             std::vector<std::int16_t>& channels) {
        if (at + 1 < equation.size() && equation[at + 1] >= 'A' && equation[at + 1] <= 'Z') {
            AddChannelPrefixes(equation, at + 2, channels);
        }
    });
}

void HistorySelection::SelectFor(std::span<const std::string_view> equations,
                                 SampleBlock& samples) {
    if (!KeepIfChanged(equations, equations_, selected_)) {
        return;
    }
    if (auto channels = HistoryChannels(equations)) {
        samples.SelectHistory(std::move(*channels));
    } else {
        samples.SelectAllHistory();
    }
}

void WindowSelection::SelectFor(std::span<const std::string_view> equations, WindowBlock& window) {
    if (!KeepIfChanged(equations, equations_, selected_)) {
        return;
    }
    if (auto channels = StatisticChannels(equations)) {
        window.Select(std::move(*channels));
    } else {
        window.SelectAll();
    }
}

}  // namespace quillon
