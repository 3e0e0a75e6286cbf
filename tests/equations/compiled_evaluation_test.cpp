// SPDX-License-Identifier: MIT
// The compiled path (tokens' numbers straight into a program) against the text path (the
// numeric expression written out and read by the evaluator): same value bit for bit, same
// failure word for word.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <random>
#include <string>

#include "equations/evaluator.hpp"
#include "equations/number_format.hpp"
#include "equations/token_substituter.hpp"
#include "fakes/recording_host.hpp"

namespace quillon {
namespace {

using testing::RecordingHost;

// Enough cases to reach every kind of value and equation many times over on each run; the fuzz
// targets (fuzz/) search further for as long as they are given.
#if defined(__SANITIZE_ADDRESS__)
constexpr int kValueCases = 300'000;  // the sanitizers make each case some ten times dearer
constexpr int kEquationCases = 5'000;
#else
constexpr int kValueCases = 2'000'000;
constexpr int kEquationCases = 20'000;
#endif

// What a value or an evaluation came to, bit for bit, or the failure's message.
std::string Outcome(const std::function<double()>& evaluate) {
    try {
        const double value = evaluate();
        return std::to_string(std::bit_cast<std::uint64_t>(value)) + " (" + std::to_string(value) +
               ")";
    } catch (const std::exception& error) {
        return std::string("failed: ") + error.what();
    }
}

// Magnitudes from subnormal to huge, with the boundaries where the fast path stops and the
// decimal halves where rounding is decided.
class ValueSource {
public:
    explicit ValueSource(unsigned seed) : random_(seed) {}

    double Next() {
        const double sign = Pick(0, 1) == 0 ? -1.0 : 1.0;
        switch (Pick(0, 7)) {
            case 0:
                return sign * Uniform(0, 1e4);
            case 1:
                return sign * std::pow(10.0, Uniform(-30, 30));
            case 2: {
                double value = 0.0;
                do {
                    value = std::bit_cast<double>(Bits());
                } while (!std::isfinite(value));
                return value;
            }
            case 3:
                return sign * Pick(0, 100000) / std::pow(10.0, Pick(0, 20));
            case 4:
                return sign * std::ldexp(static_cast<double>(Pick(1, 1 << 20)), -Pick(0, 70));
            case 5: {
                // Where the fast path stops, and where the rounded digits stop fitting in 53
                // bits (2^53 / 10^17 and 2^53 / 10^15).
                static constexpr double kEdges[] = {0.1, 10.0, 0x1p53 / 1e17, 0x1p53 / 1e15};
                const double edge = kEdges[Pick(0, 3)];
                double value = edge;
                for (int steps = Pick(-3, 3); steps != 0; steps += steps > 0 ? -1 : 1) {
                    value = std::nextafter(value, steps > 0 ? 1e300 : 0.0);
                }
                return sign * value;
            }
            case 6:
                return sign * std::pow(10.0, -Pick(15, 18)) * Pick(1, 9) / 2.0;
            default:
                return Pick(0, 3) == 0 ? -0.0 : sign * Uniform(0, 1);
        }
    }
    int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }

private:
    double Uniform(double low, double high) {
        return std::uniform_real_distribution<double>(low, high)(random_);
    }
    std::uint64_t Bits() { return random_(); }

    std::mt19937_64 random_;
};

// Each token kind is written with its own number of decimals: samples and "#@" 17, the
// statistics 15.
TEST(SubstitutedValueTest, IsTheNumberTheEvaluatorReadsFromTheText) {
    ValueSource source(20261209);
    const Evaluator evaluator;
    char text[kFormattedNumberCapacity];
    for (int i = 0; i < kValueCases; ++i) {
        const double x = source.Next();
        const int decimals = i % 2 == 0 ? 17 : 15;
        const std::string_view written(text, FormatSubstitutedNumberInto(x, decimals, text));
        const double read = evaluator.Evaluate(written);
        const double direct = SubstitutedValue(x, decimals);
        ASSERT_EQ(std::bit_cast<std::uint64_t>(direct), std::bit_cast<std::uint64_t>(read))
            << "x = " << std::bit_cast<std::uint64_t>(x) << " written \"" << written << "\"";
    }
}

// A tick of random samples on a few channels.
struct Tick {
    RecordingHost host;
    SampleBlock samples;
    WindowBlock window;
    int history_depth = 2;
    bool statistics = true;
    std::int16_t data_window = 3;

    explicit Tick(int channels) {
        host.record = false;
        host.channels = static_cast<std::int16_t>(channels);
        samples.Resize(channels, history_depth + 1);
        window.Resize(channels, data_window);
    }
    TickInputs Inputs() { return {samples, window, history_depth, statistics, data_window, host}; }
};

// Equations of operators, functions, constants and tokens, mostly well formed.
class EquationSource {
public:
    explicit EquationSource(unsigned seed) : values_(seed), random_(seed + 1) {}

    std::string Equation() {
        std::string text = Operand(0);
        for (int i = Pick(0, 3); i > 0; --i) {
            text += Operator() + Operand(0);
        }
        if (Pick(0, 30) == 0) {
            text.insert(static_cast<std::size_t>(Pick(0, static_cast<int>(text.size()))), Piece());
        }
        return text;
    }
    void Fill(Tick& tick) {
        const auto fill = [&](auto& block) {
            for (int c = 0; c < block.Channels(); ++c) {
                for (int s = 0; s < block.Scans(); ++s) {
                    block.Set(c, s, Pick(0, 9) == 0 ? Pick(-3, 3) : values_.Next());
                }
            }
        };
        fill(tick.samples);
        fill(tick.window);
        tick.host.host_value = values_.Next();
        tick.host.digital_channel = Pick(-1, tick.host.channels - 1);
    }

private:
    int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
    std::string Token() {
        static const char* const kinds[] = {"#0",    "#1",    "#2",    "#A0",     "#B1",
                                            "#@",    "#ave0", "#rms1", "#acrms2", "#min0",
                                            "#max1", "#dig0", "#digx1"};
        return kinds[Pick(0, std::size(kinds) - 1)];
    }
    std::string Operator() {
        static const char* const ops[] = {"+",  "-",  "*",  "/",  "%", "^", ">",   "<",
                                          "<=", ">=", "==", "!=", "&", "|", " - ", " * "};
        return ops[Pick(0, std::size(ops) - 1)];
    }
    std::string Piece() {
        static const char* const pieces[] = {"(", ")", ",", " ", ".", "e", "5", "#0", "-", "!"};
        return pieces[Pick(0, std::size(pieces) - 1)];
    }
    std::string Operand(int depth) {
        switch (depth > 3 ? Pick(0, 1) : Pick(0, 6)) {
            case 0:
                return Token();
            case 1:
                return Pick(0, 1) == 0 ? std::to_string(Pick(0, 20)) : "0.5";
            case 2:
                return (Pick(0, 1) == 0 ? "-" : "!") + Operand(depth + 1);
            case 3:
                return "(" + Operand(depth + 1) + Operator() + Operand(depth + 1) + ")";
            case 4: {
                static const char* const functions[] = {"abs", "sqrt", "log", "floor", "round",
                                                        "bin", "hex",  "min", "max",   "avg"};
                std::string call = std::string(functions[Pick(0, 9)]) + "(" + Operand(depth + 1);
                for (int i = Pick(0, 2); i > 0; --i) {
                    call += "," + Operand(depth + 1);
                }
                return call + ")";
            }
            case 5:
                return Operand(depth + 1) + "^" + Operand(depth + 1);
            default:
                return " " + Token() + " ";
        }
    }

    ValueSource values_;
    std::mt19937 random_;
};

TEST(CompiledEvaluationTest, AgreesWithTheTextOnGeneratedEquations) {
    EquationSource source(20261210);
    TokenSubstituter compiled;
    TokenSubstituter written;
    int programs = 0;
    for (int i = 0; i < kEquationCases; ++i) {
        Tick tick(3);
        source.Fill(tick);
        const std::string equation = source.Equation();
        const int slot = i % kSlotCount;
        const std::string expected = Outcome([&] {
            return Evaluator().Evaluate(written.SubstituteTokens(slot, equation, tick.Inputs()));
        });
        const std::string actual =
            Outcome([&] { return compiled.EvaluateEquation(slot, equation, tick.Inputs()); });
        ASSERT_EQ(actual, expected) << "equation \"" << equation << "\"";
        if (actual.rfind("failed: ", 0) != 0) {
            ASSERT_EQ(compiled.LastExpression(),
                      written.SubstituteTokens(slot, equation, tick.Inputs()))
                << equation;
        }
        programs += CompiledEquation(equation, {3, tick.history_depth, true}).HasProgram();
    }
    // Most texts must run as programs, or the comparison proves little.
    EXPECT_GT(programs, kEquationCases / 2);
}

// Worked examples: where a token's sign, its neighbours or the nesting bound decide.
struct WorkedCase {
    const char* name;
    std::string equation;
    double sample;  // every sample of every channel
    bool runs_as_program;
    std::string outcome;
};

const WorkedCase kWorkedCases[] = {
    {"SignBelongsToTheBase", "#0^2", -3, true, Outcome([] { return 9.0; })},
    {"NegativeAfterMinus", "2-#0", -0.5, true, Outcome([] { return 2.5; })},
    {"NegativeExponent", "2^#0^2", -1, true, Outcome([] { return 2.0; })},
    {"NegativeZeroReadsAsZero", "1/#0", -0.0, true, Outcome([] { return 1.0 / 0.0; })},
    {"TinySampleRoundsToZero", "#0==0", 4e-18, true, Outcome([] { return 1.0; })},
    {"ExponentAfterAToken", "#0e2", 3, false, Outcome([] { return 300.0; })},
    {"DigitBeforeAToken", "1#0", 7, false, Outcome([] { return 17.0; })},
    {"NegativeAfterAValue", "(1)#0", -0.5, false, Outcome([] { return 0.5; })},
    {"NotANumberDecides", "sqrt(#0)>0", -1, true,
     "failed: not a number given to \">\" at position 9"},
    {"FunctionRefuses", "bin(#0)", 2, true,
     "failed: bin reads only the digits 0 and 1 at position 0"},
    {"NestedNegativeTooDeep", std::string(200, '(') + "#0" + std::string(200, ')'), -1, false,
     "failed: too deeply nested at position 201"},
    {"NestedPositiveFits", std::string(200, '(') + "#0" + std::string(200, ')'), 1, false,
     Outcome([] { return 1.0; })},
};

class WorkedExampleTest : public ::testing::TestWithParam<WorkedCase> {};

TEST_P(WorkedExampleTest, CompiledAndWrittenAgree) {
    const WorkedCase& c = GetParam();
    Tick tick(1);
    for (int s = 0; s < tick.samples.Scans(); ++s) {
        tick.samples.Set(0, s, c.sample);
    }
    for (int s = 0; s < tick.window.Scans(); ++s) {
        tick.window.Set(0, s, c.sample);
    }
    EXPECT_EQ(CompiledEquation(c.equation, {1, tick.history_depth, true}).HasProgram(),
              c.runs_as_program);
    TokenSubstituter substituter;
    EXPECT_EQ(Outcome([&] { return substituter.EvaluateEquation(0, c.equation, tick.Inputs()); }),
              c.outcome);
    EXPECT_EQ(Outcome([&] {
                  return Evaluator().Evaluate(
                      TokenSubstituter().SubstituteTokens(0, c.equation, tick.Inputs()));
              }),
              c.outcome);
}

INSTANTIATE_TEST_SUITE_P(Equations, WorkedExampleTest, ::testing::ValuesIn(kWorkedCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quillon
