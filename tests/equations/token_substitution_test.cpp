// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <random>

#include "case_name.hpp"
#include "equations/compiled_equation.hpp"
#include "equations/literal_substitution.hpp"
#include "equations/number_format.hpp"
#include "equations/substitution_oracle.hpp"
#include "equations/token_substituter.hpp"
#include "fakes/recording_host.hpp"

namespace quillon {
namespace {

using testing::OracleSubstitute;
using testing::RecordingHost;

// A tick's worth of data: every sample of channel c at scan s is 10 c + s (scan s of the
// history block) or 100 + c + s / 4 (the window), so any mix-up shows in the text.
struct Tick {
    RecordingHost host;
    SampleBlock samples;
    WindowBlock window;
    int history_depth = 0;
    bool statistics = true;
    std::int16_t data_window = 2;

    Tick(int channels, int depth) : history_depth(depth) {
        host.channels = static_cast<std::int16_t>(channels);
        host.host_value = 1.5;
        host.digital_channel = channels > 1 ? 1 : -1;
        samples.Resize(channels, depth + 1);
        window.Resize(channels, data_window);
        for (int c = 0; c < channels; ++c) {
            for (int s = 0; s <= depth; ++s) {
                samples.Set(c, s, 10 * c + s);
            }
            for (int s = 0; s < data_window; ++s) {
                window.Set(c, s, 100 + c + s / 4.0);
            }
        }
    }
    TickInputs Inputs() { return {samples, window, history_depth, statistics, data_window, host}; }
    std::string Substitute(const std::string& equation) {
        return TokenSubstituter().SubstituteTokens(0, equation, Inputs());
    }
};

struct SubstitutionCase {
    const char* equation;
    int channels;
    int history_depth;
    const char* expected;
};

class SubstitutionTest : public ::testing::TestWithParam<SubstitutionCase> {};

TEST_P(SubstitutionTest, FillsInTheTick) {
    const SubstitutionCase& c = GetParam();
    Tick tick(c.channels, c.history_depth);
    EXPECT_EQ(tick.Substitute(c.equation), c.expected) << c.equation;
    EXPECT_EQ(OracleSubstitute(c.equation, tick.Inputs()), c.expected) << c.equation;
}

INSTANTIATE_TEST_SUITE_P(
    Equations, SubstitutionTest,
    ::testing::Values(
        SubstitutionCase{"#0>3.3", 1, 0, ".>3.3"}, SubstitutionCase{"#2>#1", 3, 0, "20.>10."},
        SubstitutionCase{"#12>1", 13, 0, "120.>1"}, SubstitutionCase{"#12>1", 3, 0, "10.2>1"},
        SubstitutionCase{"#05", 3, 0, ".5"}, SubstitutionCase{"#C0+#A1", 2, 3, ".+12."},
        SubstitutionCase{"#1", 2, 3, "13."}, SubstitutionCase{"#D1", 2, 3, "#D1"},
        SubstitutionCase{"#@*2", 1, 0, "1.5*2"}, SubstitutionCase{"#a0>1", 1, 0, "#a0>1"},
        SubstitutionCase{"#ave1+#max0", 2, 0, "101.125+100.25"},
        SubstitutionCase{"#dig0|#digx7", 2, 0, "1.|101."},
        SubstitutionCase{"#dig9", 12, 0, "#dig9"}, SubstitutionCase{"#rms9", 3, 0, "#rms9"},
        // A replacement that completes a token with the text before it.
        SubstitutionCase{"##1", 12, 0, "#10."}, SubstitutionCase{"##12", 13, 0, "10.20."},
        SubstitutionCase{"#A#0", 2, 1, "#A1."}, SubstitutionCase{"#A#1", 2, 1, "10.1."},
        SubstitutionCase{"#1#2", 13, 0, "10.20."}, SubstitutionCase{"#1#20", 21, 0, "120.00."},
        SubstitutionCase{"#dig#1", 3, 0, ".0."}),
    [](const auto& info) {
        return testing::CaseName(info.param.equation, info.param.channels, "Channels");
    });

TEST(CompiledEquationTest, OnlyHashAfterLetterDigitOrHashNeedsTheReplacementSequence) {
    const TokenLayout layout{8, 2, true};
    EXPECT_FALSE(CompiledEquation("max(#1,#A2)>#rms3&#dig4", layout).UsesReplacementSequence());
    EXPECT_FALSE(CompiledEquation("(#1)-#2 == #@", layout).UsesReplacementSequence());
    for (const char* odd : {"##5", "#A#0", "#1#2", "x#1", "#min#2", "@ #1#@"}) {
        EXPECT_TRUE(CompiledEquation(odd, layout).UsesReplacementSequence()) << odd;
    }
}

TEST(TokenSubstituterTest, ShortBlocksFailInsteadOfReadingOutOfBounds) {
    Tick tick(2, 0);
    tick.samples.Resize(2, 0);
    EXPECT_THROW(tick.Substitute("#1>0"), std::exception);
    Tick window_tick(2, 0);
    window_tick.data_window = 5;
    EXPECT_THROW(window_tick.Substitute("#ave1>0"), std::exception);
    // History counts back from the newest scan of a full block: a short one would make #Z0
    // read the newest sample as if it were 26 scans old.
    Tick history_tick(2, 26);
    history_tick.samples.Resize(2, 1);
    EXPECT_THROW(history_tick.Substitute("#Z0>1"), std::exception);
}

std::string Outcome(const std::function<std::string()>& substitute);

// A sample or statistic that is not a number fails with the token, the channel and the value;
// a statistic whose squares overflow where the result does not is still a number.
struct NonFiniteCase {
    const char* name;
    const char* equation;
    double value;  // every sample of channel 0, the window's too, and the host value
    std::string outcome;
};

const double kInf = std::numeric_limits<double>::infinity();
const double kNan = std::numeric_limits<double>::quiet_NaN();

const NonFiniteCase kNonFiniteCases[] = {
    {"SampleInfinite", "#0>1", kInf,
     "failed: #0: channel 0 reads +inf (over range or a broken input?)"},
    {"HistoryNotANumber", "#A0>1", kNan,
     "failed: #A0: channel 0 reads nan (over range or a broken input?)"},
    {"AverageOfMinusInfinity", "#ave0>1", -kInf,
     "failed: #ave0: the window of channel 0 gives -inf (a sample over range or a broken "
     "input?)"},
    {"HostValueNotANumber", "#@>1", kNan, "failed: #@: the host value is nan"},
    {"RmsOfHugeSamples", "#rms0>1", 1e308, FormatSubstitutedNumber(1e308, 15) + ">1"},
    {"AcRmsOfHugeSamples", "#acrms0>1", 1e308, ".>1"},
    {"RmsOfHugeNegativeSamples", "#rms0<1", -1e308, FormatSubstitutedNumber(1e308, 15) + "<1"},
};

class NonFiniteTest : public ::testing::TestWithParam<NonFiniteCase> {};

TEST_P(NonFiniteTest, FailsNamingTheTokenOrStaysANumber) {
    const NonFiniteCase& c = GetParam();
    Tick tick(1, 1);
    for (int s = 0; s < 2; ++s) {
        tick.samples.Set(0, s, c.value);
        tick.window.Set(0, s, c.value);
    }
    tick.host.host_value = c.value;
    EXPECT_EQ(Outcome([&] { return tick.Substitute(c.equation); }), c.outcome);
    EXPECT_EQ(Outcome([&] { return SubstituteTokensLiteral(c.equation, tick.Inputs()); }),
              c.outcome);
}

INSTANTIATE_TEST_SUITE_P(Equations, NonFiniteTest, ::testing::ValuesIn(kNonFiniteCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Equations built from the characters tokens are made of, with random layouts and samples:
// the one-pass fill and the replacement sequence must agree byte for byte, failures included.
class Generator {
public:
    explicit Generator(unsigned seed) : random_(seed) {}

    std::string Equation() {
        static const char* const pieces[] = {
            "#", "#", "#", "@", "min", "max", "ave", "rms", "acrms", "dig", "digx", "A", "C",
            "Z", "a", "x", ">", "<=",  "+",   "-",   "*",   "(",     ")",   ",",    " ", "."};
        std::string text;
        const int length = Pick(1, 8);
        for (int i = 0; i < length; ++i) {
            if (Pick(0, 2) == 0) {
                text += std::to_string(Pick(0, 3) == 0 ? Pick(0, 300) : Pick(0, 12));
            } else {
                text += pieces[Pick(0, std::size(pieces) - 1)];
            }
        }
        return text;
    }
    int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
    double Sample() {
        switch (Pick(0, 3)) {
            case 0:
                return Pick(-5, 300);
            case 1:
                return Pick(-1000, 1000) / 8.0;
            default:
                return std::uniform_real_distribution<double>(-1e4, 1e4)(random_);
        }
    }

private:
    std::mt19937 random_;
};

void FillRandomly(Tick& tick, Generator& g) {
    const auto fill = [&](auto& block) {
        for (int c = 0; c < block.Channels(); ++c) {
            for (int s = 0; s < block.Scans(); ++s) {
                block.Set(c, s, g.Sample());
            }
        }
    };
    fill(tick.samples);
    fill(tick.window);
    tick.host.host_value = g.Sample();
    tick.host.digital_channel = g.Pick(-1, tick.host.channels);
    tick.statistics = g.Pick(0, 3) > 0;
}

std::string Outcome(const std::function<std::string()>& substitute) {
    try {
        return substitute();
    } catch (const std::exception& error) {
        return std::string("failed: ") + error.what();
    }
}

TEST(TokenSubstituterTest, AgreesWithTheReplacementSequenceOnGeneratedEquations) {
    constexpr int kCases = 50'000;  // the compiled-equation fuzz target searches further
    Generator g(20261208);
    TokenSubstituter substituter;
    int compiled = 0;
    for (int i = 0; i < kCases; ++i) {
        const int channels = g.Pick(0, 49) == 0 ? g.Pick(13, 300) : g.Pick(1, 12);
        Tick tick(channels, g.Pick(0, 9) == 0 ? g.Pick(0, 26) : g.Pick(0, 3));
        tick.host.record = false;
        FillRandomly(tick, g);
        const std::string equation = g.Equation();
        const std::string expected =
            Outcome([&] { return OracleSubstitute(equation, tick.Inputs()); });
        const std::string actual =
            Outcome([&] { return substituter.SubstituteTokens(i % 10, equation, tick.Inputs()); });
        ASSERT_EQ(actual, expected) << "equation \"" << equation << "\", " << channels
                                    << " channels, history " << tick.history_depth;
        compiled += CompiledEquation(equation, {channels, tick.history_depth, tick.statistics})
                            .UsesReplacementSequence()
                        ? 0
                        : 1;
    }
    // Most generated texts must take the one-pass path, or the comparison proves little.
    EXPECT_GT(compiled, kCases / 3);
}

}  // namespace
}  // namespace quillon
