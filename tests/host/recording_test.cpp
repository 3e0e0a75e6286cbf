// SPDX-License-Identifier: MIT
#include "host/sim/recording.hpp"

#include <gtest/gtest.h>

#include <sstream>

#include "fakes/temp_directory.hpp"
#include "host/sim/scenario.hpp"
#include "host/sim/simulated_instrument.hpp"

namespace quillon::sim {
namespace {

Recording Parse(const std::string& text, const std::string& digital = "") {
    std::istringstream in(text);
    return ParseCsvRecording(in, "night.csv", digital);
}

struct BadCsv {
    const char* name;
    const char* text;
    const char* message;
};

class BadRecording : public ::testing::TestWithParam<BadCsv> {};

// Every refusal names the file and, where there is one, the line.
TEST_P(BadRecording, NamesTheFileAndTheLine) {
    try {
        Parse(GetParam().text);
        FAIL() << "accepted";
    } catch (const ScenarioError& error) {
        EXPECT_EQ(std::string(error.what()), GetParam().message);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Recording, BadRecording,
    ::testing::Values(
        BadCsv{"MissingValue", "time,a,b\n0,1,2\n0.001,1\n",
               "night.csv:3: expected 3 values (the time and 2 channels), found 2"},
        BadCsv{"NotANumber", "time,a\n0,1\n0.001,5x\n",
               "night.csv:3: \"5x\" in column \"a\" is not a number"},
        BadCsv{"Text", "time,level\n0,1\n\n0.002,high\n",
               "night.csv:4: \"high\" in column \"level\" is not a number"},
        BadCsv{"TimeGoesBack", "time,a\n0,1\n0.002,1\n0.001,1\n",
               "night.csv:4: the time 0.001 is not after the line before"},
        BadCsv{"MixedTimes", "time,a\n2026-05-01T03:00:00Z,1\n5,1\n",
               "night.csv:3: \"5\" is not a time: expected a date and time like "
               "2026-05-01T03:00:00.125"},
        BadCsv{"OneRow", "time,a\n0,1\n",
               "night.csv: at least two rows of samples are needed to know the recording's "
               "rate"},
        BadCsv{"NoChannels", "time\n0\n",
               "night.csv:1: the header needs a time column and at "
               "least one channel, separated by \",\""}),
    [](const ::testing::TestParamInfo<BadCsv>& info) { return info.param.name; });

TEST(Recording, ReadsSecondsOrDatesAtTheMeanRate) {
    const Recording seconds = Parse("t;level;valve\r\n0;1.5;0\r\n0.01;2;1\r\n0.02;2.5;1\r\n");
    EXPECT_EQ(seconds.channel_names, (std::vector<std::string>{"level", "valve"}));
    EXPECT_EQ(seconds.rows, 3U);
    EXPECT_DOUBLE_EQ(seconds.scan_rate, 100.0);
    EXPECT_DOUBLE_EQ(seconds.Row(2)[0], 2.5);
    EXPECT_FALSE(seconds.start);

    const Recording dates =
        Parse("time,a\n2026-05-01T03:00:00.000+02:00,1\n2026-05-01T03:00:00.500+02:00,2\n", "a");
    EXPECT_DOUBLE_EQ(dates.scan_rate, 2.0);
    ASSERT_TRUE(dates.start);
    EXPECT_EQ(
        std::chrono::duration_cast<std::chrono::seconds>(dates.start->time_since_epoch()).count(),
        1777597200);  // 01:00:00 UTC
    EXPECT_EQ(dates.digital_channel, 0);
}

// Played by the simulated instrument: row k is scan k; without loop, reads fail once the
// recording is over; with loop, it starts again.
TEST(Recording, TheInstrumentPlaysItOnceOrInALoop) {
    auto recording = std::make_shared<const Recording>(Parse("t,a\n0,1\n0.5,2\n1,3\n"));
    for (const bool loop : {false, true}) {
        double now = 0.0;
        SimulatedInstrument instrument(RecordingScenario(recording, loop), [&] { return now; });
        SampleBlock block;
        now = 1.2;
        instrument.ReadScans(1, block);
        EXPECT_DOUBLE_EQ(block.At(0, 0), 3.0);
        now = 1.6;
        if (loop) {
            instrument.ReadScans(2, block);
            EXPECT_DOUBLE_EQ(block.At(0, 0), 3.0);
            EXPECT_DOUBLE_EQ(block.At(0, 1), 1.0);
        } else {
            EXPECT_THROW(instrument.ReadScans(1, block), HostError);
        }
    }
}

// A recording longer than the rows kept at hand is read from its file as it is played: forward,
// far ahead, back to the start in a loop, and back again, each row's values are its own; the
// gaps and the rate are those of the whole file, found without holding it.
TEST(Recording, ALongOneIsReadFromItsFileAsItIsPlayed) {
    constexpr int kRows = 200'000;  // several times the rows at hand for one channel
    testing::TempDirectory directory;
    std::string csv = "t,row,half\n";
    double t = 0.0;
    for (int row = 0; row < kRows; ++row) {
        t += row == 150'000 ? 5.0 : 0.001;  // a gap of 5 s before row 150,000
        csv += std::to_string(t) + "," + std::to_string(row) + "," + std::to_string(row / 2) +
               (row % 1000 == 0 ? ".5\r\n\n" : ".5\n");
    }
    const Recording recording = LoadCsvRecording(directory.Write("long.csv", csv));
    EXPECT_TRUE(recording.values.empty());
    ASSERT_EQ(recording.rows, static_cast<std::size_t>(kRows));
    ASSERT_EQ(recording.gaps.size(), 1U);
    EXPECT_EQ(recording.gaps[0].row, 150'000U);
    EXPECT_NEAR(recording.scan_rate, 1000.0, 1e-6);
    for (const std::size_t row : {0UL, 5UL, 120'000UL, 120'001UL, 90'000UL, 199'999UL, 3UL,
                                  160'000UL, 199'999UL, 100'000UL}) {
        EXPECT_EQ(recording.Row(row)[0], static_cast<double>(row)) << row;
        EXPECT_EQ(recording.Row(row)[1], static_cast<double>(row / 2) + 0.5) << row;
    }
}

// In a scenario file: the path is taken from the scenario's folder, and the recording names
// the channels, so lines that would say otherwise are refused.
TEST(Recording, AScenarioPlaysOneFromBesideIt) {
    testing::TempDirectory directory;
    directory.Write("night.csv", "t,level,inputs\n0,1,0\n0.5,2,3\n");
    const Scenario scenario =
        LoadScenarioFile(directory.Write("rig.scn", "recording night.csv loop digital=inputs\n"));
    ASSERT_EQ(scenario.channels.size(), 2U);
    EXPECT_EQ(scenario.channels[0].text, "level");
    EXPECT_TRUE(scenario.channels[1].digital_input);
    EXPECT_TRUE(scenario.loop_recording);
    EXPECT_DOUBLE_EQ(scenario.scan_rate, 2.0);
    const std::string rig = directory.Write("bad.scn", "channels 4\nrecording night.csv\n");
    try {
        LoadScenarioFile(rig);
        FAIL() << "accepted";
    } catch (const ScenarioError& error) {
        EXPECT_EQ(std::string(error.what()),
                  rig + ":1: channels comes from the recording on line 2; leave it out");
    }
}

}  // namespace
}  // namespace quillon::sim
