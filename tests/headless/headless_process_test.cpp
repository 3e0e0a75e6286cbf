// SPDX-License-Identifier: MIT
// The built programs as real processes: stop signals, console readers that stop reading or go
// away, closed standard descriptors, and what the e-mail agents inherit.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <sstream>
#include <string_view>

#include "fakes/temp_directory.hpp"
#include "headless/running_program.hpp"

namespace quillon {
namespace {

using testing::ProgramStart;
using testing::ReadWholeFile;
using testing::RunningProgram;
using testing::WaitUntil;

// Channel 0 crosses 3.3 every 25 ms: the default equations turn the outputs on and off all
// the time, so the console is busy and the output log grows by 40 lines a second.
constexpr char kBusyScenario[] =
    "channels 1\n"
    "channel 0 square low=0 high=5 period=0.05\n";

int CountLines(const std::string& text) {
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

// An output-log line: seconds with three decimals, the word in decimal, then in four hex digits,
// as in "12.340 -1 0xFFFF".
bool IsOutputLogLine(std::string_view line) {
    std::size_t at = 0;
    const auto take = [&](auto accepted) {
        const std::size_t from = at;
        while (at < line.size() && accepted(line[at])) {
            ++at;
        }
        return at - from;
    };
    const auto literal = [&](std::string_view text) {
        if (line.substr(at, text.size()) != text) {
            return false;
        }
        at += text.size();
        return true;
    };
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    const auto hex = [&](char c) { return digit(c) || (c >= 'A' && c <= 'F'); };
    return take(digit) > 0 && literal(".") && take(digit) == 3 && literal(" ") &&
           (literal("-") || true) && take(digit) > 0 && literal(" 0x") && take(hex) == 4 &&
           at == line.size();
}

class HeadlessProcessTest : public ::testing::Test {
protected:
    HeadlessProcessTest()
        : log_((directory_.Path() / "dout.log").string()),
          scenario_(directory_.Write("busy.scn",
                                     std::string(kBusyScenario) + "output-log " + log_ + "\n")) {}

    ProgramStart Start(const std::string& program = QUILLON_HEADLESS_PROGRAM) const {
        ProgramStart start;
        start.program = program;
        start.arguments = {"-dsim:" + scenario_};
        start.environment = {{"QUILLON_CONFIG_DIR", directory_.Path().string()},
                             {"XDG_STATE_HOME", (directory_.Path() / "state").string()},
                             {"QUILLON_PELLOMAR", (directory_.Path() / "pellomar").string()},
                             {"QT_QPA_PLATFORM", "offscreen"}};
        start.standard_output = OpenFile("out.txt");
        start.standard_error = OpenFile("err.txt");
        return start;
    }
    int OpenFile(const std::string& name) const {
        const int fd = ::open((directory_.Path() / name).c_str(),
                              O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        descriptors_.push_back(fd);
        return fd;
    }
    std::string Output(const std::string& name = "out.txt") const {
        return ReadWholeFile((directory_.Path() / name).string());
    }
    std::string Settings() const {
        return ReadWholeFile((directory_.Path() / "NorvaneAlarm.ini").string());
    }
    bool LogGrowsBy(int lines) const {
        const int before = CountLines(ReadWholeFile(log_));
        return WaitUntil([&] { return CountLines(ReadWholeFile(log_)) >= before + lines; });
    }
    static void ExpectCleanExit(int status) {
        ASSERT_TRUE(WIFEXITED(status)) << "wait status " << status;
        EXPECT_EQ(WEXITSTATUS(status), 0);
    }
    ~HeadlessProcessTest() override {
        for (const int fd : descriptors_) {
            ::close(fd);
        }
    }

    testing::TempDirectory directory_;
    std::string log_;
    std::string scenario_;
    mutable std::vector<int> descriptors_;
};

// Each stop signal: stop, save, end with status 0.
class StopSignal : public HeadlessProcessTest, public ::testing::WithParamInterface<int> {};

TEST_P(StopSignal, StopsSavesAndEnds) {
    RunningProgram program(Start());
    ASSERT_TRUE(WaitUntil([&] { return Output().find(" running\n") != std::string::npos; }));
    program.Signal(GetParam());
    ExpectCleanExit(program.WaitForExit());
    EXPECT_NE(Settings().find("[Quillon]"), std::string::npos);
    EXPECT_NE(Output().find(" received: stopping, saving the settings, ending"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(IntTermHup, StopSignal, ::testing::Values(SIGINT, SIGTERM, SIGHUP),
                         [](const auto& info) { return std::string(sigabbrev_np(info.param)); });

// A hang-up that is already there when the program starts (it was blocked, so it waits)
// arrives before start-up; the program finishes start-up, then stops, saves and ends.
struct EarlySignalCase {
    const char* name;
    const char* program;
};

class EarlyStopSignal : public HeadlessProcessTest,
                        public ::testing::WithParamInterface<EarlySignalCase> {};

TEST_P(EarlyStopSignal, IsActedOnOnceStartUpIsDone) {
    ProgramStart start = Start(GetParam().program);
    start.blocked_signals = {SIGHUP};
    RunningProgram program(start);
    program.Signal(SIGHUP);
    ExpectCleanExit(program.WaitForExit());
    EXPECT_NE(Settings().find("[Quillon]"), std::string::npos);
}

const EarlySignalCase kEarlySignalCases[] = {
    {"Headless", QUILLON_HEADLESS_PROGRAM},
#ifdef QUILLON_WINDOW_PROGRAM
    {"Window", QUILLON_WINDOW_PROGRAM},
#endif
};

INSTANTIATE_TEST_SUITE_P(BothPrograms, EarlyStopSignal, ::testing::ValuesIn(kEarlySignalCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(HeadlessProcessTest, TheHeadlessStartUpFinishesBeforeAnEarlySignalIsActedOn) {
    ProgramStart start = Start();
    start.blocked_signals = {SIGHUP};
    RunningProgram program(start);
    program.Signal(SIGHUP);
    ExpectCleanExit(program.WaitForExit());
    const std::string output = Output();
    const std::size_t running = output.find(" running\n");
    ASSERT_NE(running, std::string::npos) << output;
    EXPECT_GT(output.find("SIGHUP (hang-up) received"), running) << output;
}

// A pipe that nobody reads from.
class StalledReader {
public:
    StalledReader() {
        ::pipe2(ends_, O_CLOEXEC);
        ::fcntl(ends_[0], F_SETPIPE_SZ, 4096);
    }
    ~StalledReader() {
        for (const int fd : ends_) {
            ::close(fd);
        }
    }
    int WriteEnd() const { return ends_[1]; }
    int Waiting() const {
        int bytes = 0;
        ::ioctl(ends_[0], FIONREAD, &bytes);
        return bytes;
    }
    int Capacity() const { return ::fcntl(ends_[0], F_GETPIPE_SZ); }
    void CloseWriteEnd() { ::close(std::exchange(ends_[1], -1)); }
    std::string ReadAll() const {
        std::string text;
        char chunk[4096];
        for (ssize_t got; (got = ::read(ends_[0], chunk, sizeof chunk)) > 0;) {
            text.append(chunk, static_cast<std::size_t>(got));
        }
        return text;
    }
    void CloseReadEnd() { ::close(std::exchange(ends_[0], -1)); }
    std::string ReadLine() const {
        std::string line;
        char c = 0;
        while (::read(ends_[0], &c, 1) == 1 && c != '\n') {
            line += c;
        }
        return line;
    }

private:
    int ends_[2] = {-1, -1};
};

TEST_F(HeadlessProcessTest, AReaderThatNeverReadsDoesNotHoldUpTheTicks) {
    StalledReader reader;
    ProgramStart start = Start();
    start.standard_output = reader.WriteEnd();
    RunningProgram program(start);
    reader.CloseWriteEnd();
    // Full: no further line fits.
    ASSERT_TRUE(WaitUntil([&] { return reader.Waiting() > reader.Capacity() - 256; }));
    EXPECT_TRUE(LogGrowsBy(20)) << "the ticks stopped while the console was full";
    program.Signal(SIGTERM);
    ExpectCleanExit(program.WaitForExit());
    EXPECT_NE(Settings().find("[Quillon]"), std::string::npos);
    EXPECT_NE(reader.ReadAll().find(" running\n"), std::string::npos);
}

TEST_F(HeadlessProcessTest, AReaderThatGoesAwayIsReportedOnceAndTheTicksGoOn) {
    StalledReader reader;
    ProgramStart start = Start();
    start.standard_output = reader.WriteEnd();
    RunningProgram program(start);
    reader.CloseWriteEnd();
    EXPECT_FALSE(reader.ReadLine().empty());
    reader.CloseReadEnd();
    const std::string report =
        "quillon: writing to standard output failed (Broken pipe); its lines are dropped from "
        "now on\n";
    ASSERT_TRUE(WaitUntil([&] { return Output("err.txt").find(report) != std::string::npos; }))
        << Output("err.txt");
    EXPECT_TRUE(LogGrowsBy(20));
    EXPECT_TRUE(program.StillRunning());
    program.Signal(SIGTERM);
    ExpectCleanExit(program.WaitForExit());
    EXPECT_NE(Settings().find("[Quillon]"), std::string::npos);
    const std::string errors = Output("err.txt");
    EXPECT_EQ(errors.find(report), errors.rfind(report)) << "reported more than once";
}

// With standard error closed, the next file opened would take descriptor 2: the output log
// must hold its own lines only, whatever goes to standard error.
TEST_F(HeadlessProcessTest, AClosedStandardErrorKeepsStatusLinesOutOfFiles) {
    directory_.Write("busy.scn",
                     std::string(kBusyScenario) + "output-log " + log_ + "\nfail-reads-from 0.2\n");
    ProgramStart start = Start();
    start.standard_error = -1;
    RunningProgram program(start);
    ASSERT_TRUE(WaitUntil([&] { return Output().find(" stopped\n") != std::string::npos; }));
    program.Signal(SIGTERM);
    ExpectCleanExit(program.WaitForExit());
    std::istringstream lines(ReadWholeFile(log_));
    int count = 0;
    for (std::string line; std::getline(lines, line); ++count) {
        EXPECT_TRUE(IsOutputLogLine(line)) << line;
    }
    EXPECT_GT(count, 0);
}

// The e-mail agents get descriptors 0 to 2 and nothing else of Quillon's.
TEST_F(HeadlessProcessTest, AgentsInheritNoneOfQuillonsFiles) {
    directory_.Write("pellomar",
                     "#!/bin/sh\n"
                     "for fd in /proc/$$/fd/*; do readlink \"$fd\"; done > \"$0.$$.tmp\"\n"
                     "mv \"$0.$$.tmp\" \"$0.fds\"\n",
                     0755);
    directory_.Write("NorvaneAlarm.ini", "[Quillon]\nS9=Set\n");
    RunningProgram program(Start());
    const std::string fds = (directory_.Path() / "pellomar.fds").string();
    ASSERT_TRUE(WaitUntil([&] { return std::filesystem::exists(fds); }));
    program.Signal(SIGTERM);
    ExpectCleanExit(program.WaitForExit());
    const std::string held = ReadWholeFile(fds);
    EXPECT_EQ(held.find(log_), std::string::npos) << held;
    EXPECT_EQ(held.find("NorvaneAlarm.ini"), std::string::npos) << held;
    EXPECT_EQ(held.find("pipe:"), std::string::npos) << held;
}

// With --events-json standard output is JSON lines alone: the alarm's sound and the box that
// a failing equation opens are events of their own, every line parses.
TEST_F(HeadlessProcessTest, EventsJsonKeepsSoundsAndBoxesInJsonLines) {
    const std::string scenario =
        directory_.Write("alarm.scn", "channels 1\nchannel 0 steps 0.2:5 0.5:10\n");
    directory_.Write("NorvaneAlarm.ini",
                     "[Quillon]\nMathExpression8=#0>1\nS8=Set\nAlarmInterval=0\n"
                     "MathExpression0=(10-#0)/(10-#0)>0\n");
    ProgramStart start = Start();
    start.arguments = {"-dsim:" + scenario, "--events-json", "--exit-on-stop"};
    RunningProgram program(start);
    const int status = program.WaitForExit();
    ASSERT_TRUE(WIFEXITED(status)) << "wait status " << status;
    const std::string lines_file = (directory_.Path() / "out.txt").string();
    const char* script =
        "import json, sys\n"
        "events = [json.loads(line)['event'] for line in open(sys.argv[1])]\n"
        "for wanted in ('run_start', 'alarm_start', 'sound', 'message', 'run_stop'):\n"
        "    assert wanted in events, (wanted, events)\n";
    ProgramStart python;
    python.program = "/usr/bin/python3";
    python.arguments = {"-c", script, lines_file};
    python.standard_error = OpenFile("python.txt");
    RunningProgram check(python);
    const int parsed = check.WaitForExit();
    EXPECT_TRUE(WIFEXITED(parsed) && WEXITSTATUS(parsed) == 0)
        << Output("python.txt") << Output() << Output("err.txt");
    EXPECT_NE(Output("err.txt").find(" sound \""), std::string::npos) << Output("err.txt");
}

// How a headless run ends decides its exit status, which a service manager reads.
struct EndCase {
    const char* name;
    std::string scenario;                // lines added to a one-channel scenario
    std::vector<std::string> arguments;  // after the -d word
    std::string settings;                // NorvaneAlarm.ini before the start; empty: none
    mode_t settings_mode;
    bool terminate;  // send SIGTERM once it runs
    int status;
    bool saved;  // the section was written
};

const EndCase kEndCases[] = {
    {"StopSignal", "", {}, "", 0644, true, 0, true},
    {"HostExit", "exit-at 0.3\n", {}, "", 0644, false, 0, true},
    {"UnknownOption", "", {"--bogus"}, "", 0644, false, 2, false},
    {"ReadFailsWithExitOnStop",
     "fail-reads-from 0.3\n",
     {"--exit-on-stop"},
     "",
     0644,
     false,
     3,
     true},
    {"EquationRefusedWithExitOnStop",
     "",
     {"--exit-on-stop"},
     "[Quillon]\nMathExpression0=#9>1\n",
     0644,
     false,
     3,
     true},
    {"ReadFailsWithoutExitOnStop", "fail-reads-from 0.3\n", {}, "", 0644, true, 0, true},
    {"SettingsNotSaved", "exit-at 0.3\n", {}, "[Quillon]\n", 0444, false, 1, false},
};

class HeadlessEnd : public HeadlessProcessTest, public ::testing::WithParamInterface<EndCase> {};

TEST_P(HeadlessEnd, GivesItsExitStatus) {
    const EndCase& c = GetParam();
    const std::string scenario =
        directory_.Write("end.scn", "channels 1\nchannel 0 constant value=1\n" + c.scenario);
    if (!c.settings.empty()) {
        directory_.Write("NorvaneAlarm.ini", c.settings, c.settings_mode);
    }
    ProgramStart start = Start();
    start.arguments = {"-dsim:" + scenario};
    start.arguments.insert(start.arguments.end(), c.arguments.begin(), c.arguments.end());
    RunningProgram program(start);
    if (c.terminate) {
        ASSERT_TRUE(WaitUntil([&] { return Output().find(" running\n") != std::string::npos; }));
        if (!c.scenario.empty()) {
            // Past the scripted fault: the run has stopped on it.
            ASSERT_TRUE(
                WaitUntil([&] { return Output().find(" stopped\n") != std::string::npos; }));
        }
        program.Signal(SIGTERM);
    }
    const int status = program.WaitForExit();
    ASSERT_TRUE(WIFEXITED(status)) << "wait status " << status;
    EXPECT_EQ(WEXITSTATUS(status), c.status) << Output("err.txt");
    EXPECT_EQ(Settings().find("MathExpression0") != std::string::npos, c.saved) << Settings();
}

INSTANTIATE_TEST_SUITE_P(Ends, HeadlessEnd, ::testing::ValuesIn(kEndCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quillon
