// SPDX-License-Identifier: MIT
#include "host/sim/simulated_instrument.hpp"

#include <fcntl.h>
#include <gtest/gtest.h>

#include <cmath>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "host/output_write_text.hpp"

namespace quillon::sim {
namespace {

// Channel 0 holds the scan index so that block contents show which scans were read.
Scenario CountingScenario() {
    std::istringstream text(R"(channels 3
scan-rate 100
channel 0 ramp from=0 to=100000 period=1000
channel 1 constant value=7 range=5,-2 text="Pump"
channel 2 constant digital
fail-reads-from 30
short-blocks-from 10 scans=2
exit-at 60
)");
    return ParseScenario(text, "counting");
}

class SimulatedInstrumentTest : public ::testing::Test {
protected:
    double now_ = 0.0;
    SimulatedInstrument sim_{CountingScenario(), [this] { return now_; }};
    SampleBlock block_;
};

TEST_F(SimulatedInstrumentTest, ReadsNewestScansOldestFirst) {
    now_ = 2.005;  // newest scan 200
    sim_.ReadScans(4, block_);
    ASSERT_EQ(block_.Channels(), 3);
    ASSERT_EQ(block_.Scans(), 4);
    for (int scan = 0; scan < 4; ++scan) {
        EXPECT_NEAR(block_.At(0, scan), 197 + scan, 1e-6);
        EXPECT_EQ(block_.At(1, scan), 7.0);
    }
}

// The window read gives the same scans as the plain one: whole for the selected channels,
// the newest for every channel; from the start, sliding on by a few scans or by more than a
// window, in a short block and after it.
TEST_F(SimulatedInstrumentTest, WindowReadKeepsTheSelectedChannelsOfThePlainRead) {
    WindowBlock window;
    window.Select({0, 2});
    for (const double now : {0.01, 0.02, 0.05, 0.05, 0.06, 2.005, 2.03, 9.999, 10.5, 10.6}) {
        now_ = now;
        sim_.ReadWindow(6, window);
        sim_.ReadScans(6, block_);
        ASSERT_EQ(window.Scans(), block_.Scans()) << now;
        EXPECT_EQ(window.HeldChannels(), (std::vector<std::int16_t>{0, 2}));
        for (int scan = 0; scan < block_.Scans(); ++scan) {
            EXPECT_EQ(window.At(0, scan), block_.At(0, scan)) << now;
            EXPECT_EQ(window.At(2, scan), block_.At(2, scan)) << now;
        }
        EXPECT_EQ(window.Newest(1), block_.At(1, block_.Scans() - 1));
    }
}

// The history read gives the selected channels' earlier scans and every channel's newest
// exactly as the plain read; what no token reads is NaN, never a plausible stale number.
TEST_F(SimulatedInstrumentTest, HistoryReadKeepsTheSelectedChannelsOfThePlainRead) {
    SampleBlock history;
    history.SelectHistory({1});
    for (const double now : {0.01, 0.02, 0.05, 0.06, 2.005, 9.999, 10.5}) {
        now_ = now;
        sim_.ReadScans(4, history);
        sim_.ReadScans(4, block_);
        ASSERT_EQ(history.Scans(), block_.Scans()) << now;
        const int newest = block_.Scans() - 1;
        for (int channel = 0; channel < block_.Channels(); ++channel) {
            EXPECT_EQ(history.At(channel, newest), block_.At(channel, newest)) << now;
        }
        for (int scan = 0; scan < newest; ++scan) {
            EXPECT_EQ(history.At(1, scan), block_.At(1, scan)) << now;
            EXPECT_TRUE(std::isnan(history.At(0, scan))) << now;
        }
    }
}

TEST_F(SimulatedInstrumentTest, RepeatsScanZeroBeforeEnoughScansExist) {
    now_ = 0.01;  // newest scan 1
    sim_.ReadScans(3, block_);
    ASSERT_EQ(block_.Scans(), 3);
    EXPECT_EQ(block_.At(0, 0), 0.0);
    EXPECT_EQ(block_.At(0, 1), 0.0);
    EXPECT_NEAR(block_.At(0, 2), 1.0, 1e-9);
}

TEST_F(SimulatedInstrumentTest, ShortBlocksFromTheirTime) {
    now_ = 9.999;
    sim_.ReadScans(5, block_);
    EXPECT_EQ(block_.Scans(), 5);
    now_ = 10.0;
    sim_.ReadScans(5, block_);
    EXPECT_EQ(block_.Scans(), 2);
    EXPECT_NEAR(block_.At(0, 1), 1000.0, 1e-6);
}

TEST_F(SimulatedInstrumentTest, ReadsFailFromTheirTime) {
    now_ = 29.99;
    EXPECT_NO_THROW(sim_.ReadScans(1, block_));
    now_ = 30.0;
    EXPECT_THROW(sim_.ReadScans(1, block_), HostError);
}

TEST_F(SimulatedInstrumentTest, RejectsEmptyReads) {
    EXPECT_THROW(sim_.ReadScans(0, block_), HostError);
    EXPECT_THROW(sim_.ReadScans(-3, block_), HostError);
}

TEST_F(SimulatedInstrumentTest, ExitFiresOnceAtItsTime) {
    int exits = 0;
    sim_.OnExit([&exits] { ++exits; });
    now_ = 59.9;
    sim_.Service();
    EXPECT_EQ(exits, 0);
    now_ = 60.0;
    sim_.Service();
    now_ = 61.0;
    sim_.Service();
    EXPECT_EQ(exits, 1);
}

TEST_F(SimulatedInstrumentTest, AnswersChannelQuestions) {
    EXPECT_EQ(sim_.ChannelCount(), 3);
    EXPECT_EQ(sim_.UpperRange(1), 5.0);
    EXPECT_EQ(sim_.LowerRange(1), -2.0);
    EXPECT_EQ(sim_.LowerRange(0), -10.0);
    EXPECT_EQ(sim_.ChannelText(1), "Pump");
    EXPECT_EQ(sim_.ChannelText(2), "Channel 2");
    EXPECT_EQ(sim_.DigitalInputMark(2), -1);
    EXPECT_EQ(sim_.DigitalInputMark(0), 0);
}

TEST_F(SimulatedInstrumentTest, ChannelOutOfRangeIsAHostError) {
    try {
        sim_.UpperRange(3);
        FAIL() << "no error";
    } catch (const HostError& error) {
        EXPECT_STREQ(error.what(),
                     "UpperRange: channel 3 is out of range; the simulated instrument has 3 "
                     "channels (0 to 2)");
    }
    EXPECT_THROW(sim_.ChannelText(-1), HostError);
    EXPECT_THROW(sim_.DigitalInputMark(300), HostError);
}

TEST_F(SimulatedInstrumentTest, TellsTheListenerOfEveryWrite) {
    std::vector<std::pair<double, std::int16_t>> heard;
    sim_.SetOutputListener([&heard](double s, std::int16_t word) { heard.emplace_back(s, word); });
    now_ = 1.5;
    sim_.WriteDigitalOutputs(5);
    EXPECT_EQ(heard, (std::vector<std::pair<double, std::int16_t>>{{1.5, 5}}));
}

TEST(OutputLog, FormatsTimeDecimalAndHex) {
    EXPECT_EQ(OutputWriteText(1.23456, 255), "1.235 255 0x00FF");
    EXPECT_EQ(OutputWriteText(0.0, -256), "0.000 65280 0xFF00");
}

std::filesystem::path TempDir() {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const auto dir =
        std::filesystem::temp_directory_path() / ("quillon-sim-" + std::string(test->name()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

Scenario LoggingScenario(const std::filesystem::path& log) {
    Scenario scenario = CountingScenario();
    scenario.output_log = log.string();
    return scenario;
}

TEST(SimulatedInstrumentLog, AppendsOneLinePerWrite) {
    const auto dir = TempDir();
    double now = 0.25;
    SimulatedInstrument sim(LoggingScenario(dir / "dout.log"), [&now] { return now; });
    sim.WriteDigitalOutputs(1);
    now = 2.0;
    sim.WriteDigitalOutputs(0x81);
    std::ifstream log(dir / "dout.log");
    std::stringstream lines;
    lines << log.rdbuf();
    EXPECT_EQ(lines.str(), "0.250 1 0x0001\n2.000 129 0x0081\n");
    std::filesystem::remove_all(dir);
}

// Programs that Quillon starts (the e-mail agents) must not inherit the open log.
TEST(SimulatedInstrumentLog, TheOpenLogIsClosedOnExec) {
    const auto dir = TempDir();
    SimulatedInstrument sim(LoggingScenario(dir / "dout.log"), [] { return 1.0; });
    sim.WriteDigitalOutputs(1);
    int descriptors_on_log = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code gone;  // the directory's own descriptor is closed by now
        if (std::filesystem::read_symlink(entry.path(), gone) != dir / "dout.log") {
            continue;
        }
        ++descriptors_on_log;
        const int flags = fcntl(std::stoi(entry.path().filename().string()), F_GETFD);
        EXPECT_NE(flags & FD_CLOEXEC, 0);
    }
    EXPECT_EQ(descriptors_on_log, 1);
    std::filesystem::remove_all(dir);
}

TEST(SimulatedInstrumentLog, LogFailureIsReportedOnceAndOutputsGoOn) {
    const auto dir = TempDir();
    SimulatedInstrument sim(LoggingScenario(dir / "missing" / "dout.log"), [] { return 1.0; });
    std::vector<std::string> problems;
    int heard = 0;
    sim.SetProblemListener([&problems](const std::string& p) { problems.push_back(p); });
    sim.SetOutputListener([&heard](double, std::int16_t) { ++heard; });
    sim.WriteDigitalOutputs(1);
    sim.WriteDigitalOutputs(2);
    EXPECT_EQ(heard, 2);
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_NE(problems[0].find((dir / "missing" / "dout.log").string()), std::string::npos);
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace quillon::sim
