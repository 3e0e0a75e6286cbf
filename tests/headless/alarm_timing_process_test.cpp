// SPDX-License-Identifier: MIT
// Alarm timing end to end: the headless program on the simulated instrument, with the delays
// and latches set in the settings file, acknowledged by SIGUSR1 and by lines on standard input.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <fstream>

#include "case_name.hpp"
#include "fakes/temp_directory.hpp"
#include "headless/running_program.hpp"

namespace quillon {
namespace {

using testing::ProgramStart;
using testing::ReadWholeFile;
using testing::RunningProgram;
using testing::WaitUntil;

int Count(const std::string& text, const std::string& what) {
    int count = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++count;
    }
    return count;
}

class AlarmTimingProcess : public ::testing::Test {
protected:
    ProgramStart Start(const std::string& scenario, const std::string& settings) {
        std::ofstream(directory_.Path() / "NorvaneAlarm.ini") << "[Quillon]\n" << settings;
        ProgramStart start;
        start.program = QUILLON_HEADLESS_PROGRAM;
        start.arguments = {"-dsim:" + directory_.Write("run.scn", scenario)};
        start.environment = {{"QUILLON_CONFIG_DIR", directory_.Path().string()},
                             {"XDG_STATE_HOME", (directory_.Path() / "state").string()},
                             {"QUILLON_PELLOMAR", (directory_.Path() / "pellomar").string()}};
        output_ = ::open((directory_.Path() / "out.txt").c_str(),
                         O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        start.standard_output = output_;
        start.standard_error = output_;
        return start;
    }
    std::string Output() const { return ReadWholeFile((directory_.Path() / "out.txt").string()); }
    std::string Events() const {
        return ReadWholeFile(
            (directory_.Path() / "state" / "quillon" / "events" / "Quillon.jsonl").string());
    }
    static void ExpectCleanExit(RunningProgram& program) {
        const int status = program.WaitForExit(std::chrono::seconds(30));
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
    ~AlarmTimingProcess() override {
        if (output_ >= 0) {
            ::close(output_);
        }
    }

    testing::TempDirectory directory_;
    int output_ = -1;
};

struct RunCase {
    const char* name;
    const char* scenario;
    const char* settings;
    const char* counted;  // what the event log or the console says how often
    int at_least;
    int at_most;
};

class AlarmTimingRun : public AlarmTimingProcess, public ::testing::WithParamInterface<RunCase> {};

TEST_P(AlarmTimingRun, CountsWhatTheSlotDid) {
    RunningProgram program(Start(GetParam().scenario, GetParam().settings));
    ExpectCleanExit(program);
    const int count = Count(Events() + Output(), GetParam().counted);
    EXPECT_GE(count, GetParam().at_least) << Output();
    EXPECT_LE(count, GetParam().at_most) << Output();
}

// A chattering input flickers every 100 ms until the host exits. The delays themselves are
// timed on the virtual clock by the slot timing tests; here they only have to reach the run.
constexpr const char* kChattering =
    "channels 1\nchannel 0 square low=0 high=5 period=0.2\nexit-at 1.0\n";
// One excursion above 3.3 that lasts 0.6 s.
constexpr const char* kExcursion = "channels 1\nchannel 0 steps 0:0 0.1:5 0.7:0\nexit-at 0.9\n";

INSTANTIATE_TEST_SUITE_P(
    Runs, AlarmTimingRun,
    ::testing::Values(
        RunCase{"a chattering input restarts the sound on every flicker", kChattering,
                "S8=Set\nMathExpression8=#0>3.3\n", "\"event\":\"alarm_start\"", 3, 12},
        RunCase{"OffDelay8 2000 plays one sound sequence", kChattering,
                "S8=Set\nMathExpression8=#0>3.3\nOffDelay8=2000\n", "\"event\":\"alarm_start\"", 1,
                1},
        RunCase{"a 0.6 s excursion turns DOUT 0 on", kExcursion, "", "lamp D0 red (on)", 1, 1},
        RunCase{"OnDelay0 1200 never turns DOUT 0 on in a 0.6 s excursion", kExcursion,
                "OnDelay0=1200\n", "lamp D0 red (on)", 0, 0}),
    [](const auto& info) { return testing::CaseName(info.param.name); });

struct AcknowledgeCase {
    const char* name;
    const char* input;  // written to standard input; empty: SIGUSR1
    const char* said;   // what the console says to it
    const char* source;
};

class AlarmTimingAcknowledge : public AlarmTimingProcess,
                               public ::testing::WithParamInterface<AcknowledgeCase> {};

// DOUT 3 latches on a half-second spike and stays on until acknowledged.
TEST_P(AlarmTimingAcknowledge, EndsTheLatch) {
    int pipe_ends[2];
    ASSERT_EQ(::pipe2(pipe_ends, O_CLOEXEC), 0);
    ProgramStart start = Start("channels 1\nchannel 0 steps 0:0 0.2:5 0.7:0\n",
                               "MathExpression3=#0>3.3\nLatch3=1\nMathExpression4=#0>3.3\n");
    start.standard_input = pipe_ends[0];
    RunningProgram program(start);
    ::close(pipe_ends[0]);
    std::size_t latched = std::string::npos;
    ASSERT_TRUE(WaitUntil([&] {
        return (latched = Output().find("lamp D3 latched")) != std::string::npos;
    })) << Output();
    const auto off_since_latched = [&] {
        return Output().find("lamp D3 green (off)", latched) != std::string::npos;
    };
    // DOUT 4 follows the same equation unlatched: once it is off, the spike is over.
    ASSERT_TRUE(WaitUntil([&] {
        return Output().find("lamp D4 green (off)", latched) != std::string::npos;
    })) << Output();
    EXPECT_FALSE(off_since_latched()) << Output();
    const std::string input = GetParam().input;
    if (input.empty()) {
        program.Signal(SIGUSR1);
    } else {
        ASSERT_EQ(::write(pipe_ends[1], input.data(), input.size()),
                  static_cast<ssize_t>(input.size()));
    }
    EXPECT_TRUE(WaitUntil(off_since_latched)) << Output();
    program.Signal(SIGTERM);
    ExpectCleanExit(program);
    ::close(pipe_ends[1]);
    EXPECT_NE(Output().find(GetParam().said), std::string::npos) << Output();
    EXPECT_NE(Events().find(std::string("\"event\":\"ack\",\"slot\":3,\"source\":\"") +
                            GetParam().source + "\""),
              std::string::npos)
        << Events();
}

INSTANTIATE_TEST_SUITE_P(
    Paths, AlarmTimingAcknowledge,
    ::testing::Values(
        AcknowledgeCase{"SIGUSR1", "", "SIGUSR1: 1 latch acknowledged", "signal"},
        AcknowledgeCase{"ack 3", "ack 5\nack 3\n", "ack 3: 1 latch acknowledged", "console"},
        AcknowledgeCase{"ack all", "hello\nack all\n", "ack all: 1 latch acknowledged", "console"}),
    [](const auto& info) { return testing::CaseName(info.param.name); });

}  // namespace
}  // namespace quillon
