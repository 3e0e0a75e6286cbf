// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "equations/expression_program.hpp"
#include "equations/tick_inputs.hpp"

namespace quillon {

// The shape that token matching depends on: which channel numbers, history letters and
// statistics exist. A change of any of them needs a new CompiledEquation.
struct TokenLayout {
    int channels = 0;
    int history_depth = 0;
    bool statistics_in_use = false;
    bool operator==(const TokenLayout&) const = default;
};

// An equation cut once into literal text and tokens, so that every tick fills in the numbers
// in one pass instead of hundreds of whole-text replacements.
//
// The one-pass result equals the replacement sequence whenever no replacement can complete a
// token with the text before it. A replaced token starts with "#" and its number never holds
// one, so a new token can only appear where an earlier "#", followed by nothing but letters,
// digits or "@", runs into the inserted number ("##5", "#A#0", "#1#20"). Every "#" is then
// directly preceded by a letter, a digit or another "#". Texts without such a "#" are filled
// in one pass; the others take the replacement sequence.
class CompiledEquation {
public:
    CompiledEquation(std::string_view equation, const TokenLayout& layout);

    bool CompiledFrom(std::string_view equation, const TokenLayout& layout) const {
        return equation == equation_ && layout == layout_;
    }
    bool UsesReplacementSequence() const { return literal_; }
    // Whether the equation runs on numbers (Evaluate) rather than being read from its text.
    bool HasProgram() const { return program_.has_value(); }

    // Writes the numeric expression into `out` (cleared first). `host_value` is the "#@" value.
    void Substitute(const TickInputs& inputs, double host_value, std::string& out);

    // The equation's value straight from the tokens' numbers, each the number its text would
    // read as; the same failures as Substitute for a token. Nothing when the value must come
    // from the text: an equation that reads only as text, or a value that fails there.
    std::optional<double> Evaluate(const TickInputs& inputs, double host_value);
    // The numeric expression of the last Evaluate, built only when asked for (the event log,
    // a failure's message): the same text Substitute writes.
    void WriteLastExpression(std::string& out) const;

private:
    enum class Kind : std::uint8_t { Text, Host, Channel, History, Statistic };
    struct Segment {
        Kind kind;
        std::uint8_t selector;  // history depth k, or statistic number
        std::int16_t number;    // channel, or bit for the digital statistics
        std::uint32_t begin;    // Text: span of the equation
        std::uint32_t length;
        std::int32_t value_index;   // Statistic: slot in values_, computed once per tick
        std::uint32_t token_index;  // every token: slot in token_values_
    };
    struct Token {
        Segment segment;
        std::size_t length;
    };

    static bool NeedsReplacementSequence(std::string_view equation);
    void Cut();
    bool MatchToken(std::size_t at, Token& token) const;
    bool MatchNumber(std::size_t at, int limit, std::int16_t& number, std::size_t& digits) const;
    bool MatchStatistic(std::size_t at, Token& token) const;
    void AddText(std::size_t begin, std::size_t end);
    void AddStatistic(Segment segment);
    void CompileProgram();
    void ComputeTokenValues(const TickInputs& in, double host_value);
    double Value(const Segment& segment, const TickInputs& in, double host_value);
    static std::string TokenText(const Segment& segment);

    std::string equation_;
    TokenLayout layout_;
    bool literal_ = false;
    std::vector<Segment> segments_;
    std::vector<Segment> statistics_;  // the distinct statistic tokens
    std::vector<double> values_;
    std::vector<bool> computed_;
    std::optional<ExpressionProgram> program_;
    std::vector<double> token_texts_;   // each token's value as it is written
    std::vector<double> token_values_;  // and as it is read back
};

}  // namespace quillon
