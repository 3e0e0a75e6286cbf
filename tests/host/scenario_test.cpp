// SPDX-License-Identifier: MIT
#include "host/sim/scenario.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <string>
#include <string_view>

#include "case_name.hpp"

#include "fakes/temp_directory.hpp"

namespace quillon::sim {
namespace {

Scenario Parse(const std::string& text) {
    std::istringstream in(text);
    return ParseScenario(in, "test.scn");
}

TEST(ParseScenario, ReadsEverySetting) {
    const Scenario s = Parse(R"(# a comment
channels 4
scan-rate 500     # trailing comment
identification "DI-2108 # not a comment"
model 2108
host-value 1.5
output-log "/tmp/with space/dout.log"

channel 0 sine offset=3.3 amplitude=2 period=6 range=5,-5 text="Tank \"A\""
channel 1 steps 0:1 2.5:5
channel 3 square high=255 period=2 digital
fail-reads-from 30
short-blocks-from 10 scans=1
exit-at 60
)");
    ASSERT_EQ(s.channels.size(), 4u);
    EXPECT_EQ(s.scan_rate, 500.0);
    EXPECT_EQ(s.identification, "DI-2108 # not a comment");
    EXPECT_EQ(s.model, 2108);
    EXPECT_EQ(s.host_value, 1.5);
    EXPECT_EQ(s.output_log, "/tmp/with space/dout.log");
    EXPECT_EQ(s.channels[0].upper_range, 5.0);
    EXPECT_EQ(s.channels[0].lower_range, -5.0);
    EXPECT_EQ(s.channels[0].text, "Tank \"A\"");
    EXPECT_NEAR(s.channels[0].waveform.ValueAt(750, 500.0), 5.3, 1e-9);
    EXPECT_EQ(s.channels[1].waveform.ValueAt(1250, 500.0), 5.0);
    EXPECT_EQ(s.channels[2].waveform.ValueAt(1250, 500.0), 0.0);
    EXPECT_TRUE(s.channels[3].digital_input);
    EXPECT_EQ(s.fail_reads_from, 30.0);
    ASSERT_TRUE(s.short_blocks);
    EXPECT_EQ(s.short_blocks->from_seconds, 10.0);
    EXPECT_EQ(s.short_blocks->max_scans, 1);
    EXPECT_EQ(s.exit_at, 60.0);
}

TEST(ParseScenario, DefaultsForUnsetValues) {
    const Scenario s = Parse(
        "\xEF\xBB\xBF"
        "channels 2\n");  // UTF-8 mark ignored
    EXPECT_EQ(s.scan_rate, 1000.0);
    EXPECT_EQ(s.channels[1].upper_range, 10.0);
    EXPECT_EQ(s.channels[1].lower_range, -10.0);
    EXPECT_FALSE(s.channels[1].digital_input);
    EXPECT_TRUE(s.output_log.empty());
    EXPECT_FALSE(s.fail_reads_from || s.short_blocks || s.exit_at);
}

struct ErrorCase {
    const char* text;
    const char* message;
};

// The message's first clause, without file, line and quotes: "unknown_waveform_sin".
std::string MessageName(std::string_view message) {
    message.remove_prefix(message.find(": ") + 2);
    message = message.substr(0, message.find(';'));
    std::string words;
    std::ranges::copy_if(message, std::back_inserter(words), [](char c) { return c != '"'; });
    return testing::CaseName(words);
}

class ParseScenarioError : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(ParseScenarioError, NamesSourceLineAndProblem) {
    try {
        Parse(GetParam().text);
        FAIL() << "no error";
    } catch (const ScenarioError& error) {
        EXPECT_STREQ(error.what(), GetParam().message);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Messages, ParseScenarioError,
    ::testing::Values(
        ErrorCase{"channels 4\n\nchannel 0 sin period=2\n",
                  "test.scn:3: unknown waveform \"sin\"; expected constant, sine, square, ramp, "
                  "noise or steps"},
        ErrorCase{"channels 4\nchannel 0 sine amp=2\n",
                  "test.scn:2: unknown setting \"amp\" for sine; expected offset, amplitude, "
                  "period, phase, range, text or digital"},
        ErrorCase{"chanels 4\n",
                  "test.scn:1: unknown keyword \"chanels\"; expected channels, scan-rate, "
                  "identification, model, host-value, output-log, channel, fail-reads-from, "
                  "short-blocks-from, exit-at or recording"},
        ErrorCase{"channels 0\n",
                  "test.scn:1: channels must be a whole number from 1 to 256, got "
                  "\"0\""},
        ErrorCase{"channels 2\nscan-rate fast\n",
                  "test.scn:2: scan-rate must be a number, got \"fast\""},
        ErrorCase{"channels 2\nscan-rate 10 20\n",
                  "test.scn:2: expected \"scan-rate SCANS_PER_SECOND\""},
        ErrorCase{"channels 2\nidentification \"open\n",
                  "test.scn:2: unterminated quoted text; close it with \""},
        ErrorCase{"channels 2\nchannel 0 sine period=0\n",
                  "test.scn:2: sine period must be greater than 0"},
        // Finite parameters whose values would leave the range of a double.
        ErrorCase{"channels 2\nchannel 0 sine offset=1e308 amplitude=1.7e308\n",
                  "test.scn:2: sine offset and amplitude give values beyond the largest number "
                  "(1.8e308)"},
        ErrorCase{"channels 2\nchannel 1 ramp from=-1.7e308 to=1.7e308\n",
                  "test.scn:2: ramp from and to give values beyond the largest number (1.8e308)"},
        ErrorCase{"channels 2\nchannel 1 noise mean=-1e308 amplitude=1e308\n",
                  "test.scn:2: noise mean and amplitude give values beyond the largest number "
                  "(1.8e308)"},
        ErrorCase{"channels 2\nchannel 1 steps 0:1 2,5:3\n",
                  "test.scn:2: step time must be a number, got \"2,5\""},
        ErrorCase{"channels 2\nchannel 1 steps 3:1 2:3\n",
                  "test.scn:2: steps times must be strictly increasing"},
        ErrorCase{"channels 2\nchannel 1 constant value=1 range=10\n",
                  "test.scn:2: range must be written UPPER,LOWER, got \"10\""},
        ErrorCase{"channels 2\nchannel 0 constant\nchannel 0 ramp\n",
                  "test.scn:3: channel 0 is already defined on line 2"},
        ErrorCase{"channels 2\nmodel 1\nmodel 2\n", "test.scn:3: model is already set on line 2"},
        ErrorCase{"channel 5 constant\nchannels 4\n",
                  "test.scn:1: channel 5 is out of range; the scenario has 4 channels (0 to 3)"},
        ErrorCase{"channels 4\nchannel 1 constant digital\nchannel 2 constant digital\n",
                  "test.scn:3: channel 2 cannot be digital too; channel 1 already is"},
        ErrorCase{"channels 2\nshort-blocks-from 10 scans=-1\n",
                  "test.scn:2: scans must be a whole number from 0 to 32767, got \"-1\""},
        ErrorCase{"# nothing\n", "test.scn: no channels line; add one, e.g. \"channels 4\""}),
    [](const auto& info) { return MessageName(info.param.message); });

// The shipped example is the built-in demo, word for word.
TEST(DemoScenario, TheShippedExampleIsTheDemo) {
    std::ifstream file(QUILLON_SOURCE_DIR "/examples/demo.scn");
    std::ostringstream text;
    text << file.rdbuf();
    EXPECT_EQ(text.str(), DemoScenarioText());
}

TEST(LoadScenarioFile, NamesTheMissingFile) {
    EXPECT_THROW(LoadScenarioFile("/nonexistent/quillon.scn"), ScenarioError);
}

// Paths that are no scenario file: each is refused at once, without reading it whole or
// waiting for a writer.
struct RefusedPath {
    const char* name;
    std::function<std::string(const testing::TempDirectory&)> make;
    const char* problem;
};

class LoadScenarioFileRefuses : public ::testing::TestWithParam<RefusedPath> {};

TEST_P(LoadScenarioFileRefuses, WithTheReason) {
    const testing::TempDirectory directory;
    const std::string path = GetParam().make(directory);
    try {
        LoadScenarioFile(path);
        FAIL() << "loaded " << path;
    } catch (const ScenarioError& error) {
        EXPECT_EQ(std::string(error.what()), path + ": " + GetParam().problem);
    }
}

INSTANTIATE_TEST_SUITE_P(
    NotARegularFileOrTooLarge, LoadScenarioFileRefuses,
    ::testing::Values(
        RefusedPath{"EndlessDevice", [](const auto&) { return std::string("/dev/zero"); },
                    "not a regular file"},
        RefusedPath{"Fifo",
                    [](const testing::TempDirectory& d) {
                        const std::string fifo = (d.Path() / "rig.scn").string();
                        mkfifo(fifo.c_str(), 0600);
                        return fifo;
                    },
                    "not a regular file"},
        RefusedPath{"Directory", [](const testing::TempDirectory& d) { return d.Path().string(); },
                    "not a regular file"},
        RefusedPath{"TooLarge",
                    [](const testing::TempDirectory& d) {
                        return d.Write("big.scn",
                                       "channels 1\n" + std::string(kMaxScenarioBytes, '#'));
                    },
                    "too large: a scenario file has at most 1048576 bytes"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LoadScenarioFile, ReadsARegularFileUpToTheBound) {
    const testing::TempDirectory directory;
    const std::string text = "channels 3\n";
    const std::string path =
        directory.Write("rig.scn", text + std::string(kMaxScenarioBytes - text.size(), '\n'));
    EXPECT_EQ(LoadScenarioFile(path).channels.size(), 3u);
}

bool Above(const Scenario& s, std::int64_t scan) {
    return s.channels[0].waveform.ValueAt(scan, s.scan_rate) > 3.3;
}

TEST(DemoScenario, ChannelZeroCrossesThresholdBothWaysWithinTenSeconds) {
    const Scenario demo = DemoScenario();
    int rises = 0;
    int falls = 0;
    const auto last = static_cast<std::int64_t>(10 * demo.scan_rate);
    for (std::int64_t scan = 1; scan <= last; ++scan) {
        rises += !Above(demo, scan - 1) && Above(demo, scan);
        falls += Above(demo, scan - 1) && !Above(demo, scan);
    }
    EXPECT_GE(rises, 1);
    EXPECT_GE(falls, 1);
}

TEST(DemoScenario, IdentifiesAsAPlainModel) {
    const Scenario demo = DemoScenario();
    constexpr std::array<int, 17> kReservedModels = {154, 194, 195, 718, 145,  149,  480,  481, 580,
                                                     581, 710, 715, 719, 1480, 1481, 1580, 1581};
    EXPECT_EQ(demo.identification, "Quillon demo instrument");
    EXPECT_EQ(demo.model, 0);
    EXPECT_NE(demo.identification.at(2), '7');
    EXPECT_EQ(std::count(kReservedModels.begin(), kReservedModels.end(), demo.model), 0);
    EXPECT_EQ(std::count_if(demo.channels.begin(), demo.channels.end(),
                            [](const auto& channel) { return channel.digital_input; }),
              1);
    EXPECT_FALSE(demo.fail_reads_from || demo.short_blocks || demo.exit_at);
}

}  // namespace
}  // namespace quillon::sim
