// SPDX-License-Identifier: MIT
#include "equations/compiled_equation.hpp"

#include <algorithm>
#include <cmath>

#include "equations/literal_substitution.hpp"
#include "equations/number_format.hpp"
#include "equations/statistic_names.hpp"
#include "equations/text_replacement.hpp"
#include "equations/window_statistic.hpp"

namespace quillon {
namespace {

constexpr int kSampleDecimals = 17;
constexpr int kStatisticDecimals = 15;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsUpper(char c) {
    return c >= 'A' && c <= 'Z';
}
bool IsLower(char c) {
    return c >= 'a' && c <= 'z';
}

void AppendNumber(std::string& out, double value, int decimals) {
    char buffer[kFormattedNumberCapacity];
    out.append(buffer, FormatSubstitutedNumberInto(value, decimals, buffer));
}

}  // namespace

CompiledEquation::CompiledEquation(std::string_view equation, const TokenLayout& layout)
    : equation_(equation), layout_(layout), literal_(NeedsReplacementSequence(equation)) {
    if (!literal_) {
        Cut();
    }
}

bool CompiledEquation::NeedsReplacementSequence(std::string_view equation) {
    for (std::size_t i = 1; i < equation.size(); ++i) {
        const char before = equation[i - 1];
        if (equation[i] == '#' &&
            (IsDigit(before) || IsUpper(before) || IsLower(before) || before == '#')) {
            return true;
        }
    }
    return false;
}

void CompiledEquation::Cut() {
    std::size_t text_begin = 0;
    std::size_t i = 0;
    while (i < equation_.size()) {
        Token token{};
        if (equation_[i] != '#' || !MatchToken(i, token)) {
            ++i;
            continue;
        }
        AddText(text_begin, i);
        token.segment.begin = static_cast<std::uint32_t>(i);
        token.segment.length = static_cast<std::uint32_t>(token.length);
        token.segment.token_index = static_cast<std::uint32_t>(token_texts_.size());
        token_texts_.push_back(0.0);
        if (token.segment.kind == Kind::Statistic) {
            AddStatistic(token.segment);
        } else {
            segments_.push_back(token.segment);
        }
        i += token.length;
        text_begin = i;
    }
    AddText(text_begin, equation_.size());
    values_.assign(statistics_.size(), 0.0);
    computed_.assign(statistics_.size(), false);
    token_values_.assign(token_texts_.size(), 0.0);
    CompileProgram();
}

void CompiledEquation::CompileProgram() {
    std::vector<TokenSpan> spans;
    for (const Segment& s : segments_) {
        if (s.kind != Kind::Text) {
            spans.push_back(TokenSpan{s.begin, s.length, s.token_index});
        }
    }
    program_ = ExpressionProgram::Compile(equation_, spans);
}

void CompiledEquation::AddText(std::size_t begin, std::size_t end) {
    if (end > begin) {
        segments_.push_back(Segment{Kind::Text, 0, 0, static_cast<std::uint32_t>(begin),
                                    static_cast<std::uint32_t>(end - begin), -1, 0});
    }
}

// A statistic named twice is computed once a tick, as the replacement sequence does.
void CompiledEquation::AddStatistic(Segment segment) {
    const auto same = [&](const Segment& s) {
        return s.selector == segment.selector && s.number == segment.number;
    };
    auto found = std::find_if(statistics_.begin(), statistics_.end(), same);
    if (found == statistics_.end()) {
        statistics_.push_back(segment);
        found = statistics_.end() - 1;
    }
    segment.value_index = static_cast<std::int32_t>(found - statistics_.begin());
    segments_.push_back(segment);
}

// The longest channel number below `limit` at `at`: channel numbers have no leading zeros, and
// the replacement sequence tries higher channels first.
bool CompiledEquation::MatchNumber(std::size_t at, int limit, std::int16_t& number,
                                   std::size_t& digits) const {
    if (at >= equation_.size() || !IsDigit(equation_[at]) || limit <= 0) {
        return false;
    }
    if (equation_[at] == '0') {
        number = 0;
        digits = 1;
        return true;
    }
    long value = 0;
    digits = 0;
    for (std::size_t i = at; i < equation_.size() && IsDigit(equation_[i]); ++i) {
        const long longer = value * 10 + (equation_[i] - '0');
        if (longer >= limit) {
            break;
        }
        value = longer;
        ++digits;
    }
    number = static_cast<std::int16_t>(value);
    return digits > 0;
}

bool CompiledEquation::MatchToken(std::size_t at, Token& token) const {
    if (at + 1 >= equation_.size()) {
        return false;
    }
    const char next = equation_[at + 1];
    std::size_t digits = 0;
    Segment& s = token.segment;
    if (next == '@') {
        s.kind = Kind::Host;
        token.length = 2;
        return true;
    }
    if (IsDigit(next) && MatchNumber(at + 1, layout_.channels, s.number, digits)) {
        s.kind = Kind::Channel;
        token.length = 1 + digits;
        return true;
    }
    const int k = next - '@';
    if (IsUpper(next) && k <= layout_.history_depth &&
        MatchNumber(at + 2, layout_.channels, s.number, digits)) {
        s.kind = Kind::History;
        s.selector = static_cast<std::uint8_t>(k);
        token.length = 2 + digits;
        return true;
    }
    return layout_.statistics_in_use && MatchStatistic(at, token);
}

bool CompiledEquation::MatchStatistic(std::size_t at, Token& token) const {
    const std::string_view rest = std::string_view(equation_).substr(at + 1);
    Segment& s = token.segment;
    s.kind = Kind::Statistic;
    for (int t = kStatisticMin; t <= kStatisticAcRms; ++t) {
        const std::string_view name = kAdvancedFunctionNames[t];
        std::size_t digits = 0;
        if (rest.substr(0, name.size()) == name &&
            MatchNumber(at + 1 + name.size(), layout_.channels, s.number, digits)) {
            s.selector = static_cast<std::uint8_t>(t);
            token.length = 1 + name.size() + digits;
            return true;
        }
    }
    // Bits 0 to 7 only; "#digx" is not "#dig" with a bit since "x" is no digit. They are
    // replaced in the pass of the highest channel, so they need a channel to exist.
    for (int t : {kStatisticDigitalBit, kStatisticDigitalValue}) {
        const std::string_view name = kAdvancedFunctionNames[t];
        if (layout_.channels > 0 && rest.size() > name.size() &&
            rest.substr(0, name.size()) == name && rest[name.size()] >= '0' &&
            rest[name.size()] < '0' + kDigitalBits) {
            s.selector = static_cast<std::uint8_t>(t);
            s.number = static_cast<std::int16_t>(rest[name.size()] - '0');
            token.length = 2 + name.size();
            return true;
        }
    }
    return false;
}

// The token's text is written only for the message of a value that is not a number.
double CompiledEquation::Value(const Segment& s, const TickInputs& in, double host_value) {
    switch (s.kind) {
        case Kind::Host:
            return FiniteHostValue(host_value);
        case Kind::Channel:
        case Kind::History: {
            const int scan = in.history_depth - (s.kind == Kind::History ? s.selector : 0);
            const double value = CheckedSample(in.samples, s.number, scan);
            return std::isfinite(value) ? value : FiniteSample(value, TokenText(s), s.number);
        }
        default: {
            const auto index = static_cast<std::size_t>(s.value_index);
            if (!computed_[index]) {
                const double value =
                    WindowStatistic(s.selector, s.number, in.window, in.data_window, in.host);
                values_[index] =
                    std::isfinite(value) ? value : FiniteStatistic(value, TokenText(s), s.number);
                computed_[index] = true;
            }
            return values_[index];
        }
    }
}

// The token as written, for a message: only ever built when a value fails.
std::string CompiledEquation::TokenText(const Segment& s) {
    switch (s.kind) {
        case Kind::Host:
            return "#@";
        case Kind::Channel:
            return ChannelToken(s.number);
        case Kind::History:
            return HistoryToken(s.selector, s.number);
        default:
            return "#" + std::string(kAdvancedFunctionNames[s.selector]) + std::to_string(s.number);
    }
}

// In the order Substitute visits them, so that the first failing token is the same.
void CompiledEquation::ComputeTokenValues(const TickInputs& in, double host_value) {
    std::fill(computed_.begin(), computed_.end(), false);
    for (const Segment& s : segments_) {
        if (s.kind != Kind::Text) {
            const double value = Value(s, in, host_value);
            token_texts_[s.token_index] = value;
            token_values_[s.token_index] = SubstitutedValue(
                value, s.kind == Kind::Statistic ? kStatisticDecimals : kSampleDecimals);
        }
    }
}

std::optional<double> CompiledEquation::Evaluate(const TickInputs& in, double host_value) {
    if (!program_) {
        return std::nullopt;
    }
    ComputeTokenValues(in, host_value);
    return program_->Run(token_values_);
}

void CompiledEquation::WriteLastExpression(std::string& out) const {
    out.clear();
    for (const Segment& s : segments_) {
        if (s.kind == Kind::Text) {
            out.append(equation_, s.begin, s.length);
        } else {
            AppendNumber(out, token_texts_[s.token_index],
                         s.kind == Kind::Statistic ? kStatisticDecimals : kSampleDecimals);
        }
    }
}

void CompiledEquation::Substitute(const TickInputs& in, double host_value, std::string& out) {
    out.clear();
    std::fill(computed_.begin(), computed_.end(), false);
    for (const Segment& s : segments_) {
        if (s.kind == Kind::Text) {
            out.append(equation_, s.begin, s.length);
        } else {
            AppendNumber(out, Value(s, in, host_value),
                         s.kind == Kind::Statistic ? kStatisticDecimals : kSampleDecimals);
        }
    }
}

}  // namespace quillon
