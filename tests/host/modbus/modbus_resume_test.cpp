// SPDX-License-Identifier: MIT
// quillon-headless --resume-after against a Modbus TCP server that misbehaves on command.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include "case_name.hpp"
#include "fakes/temp_directory.hpp"
#include "headless/running_program.hpp"
#include "host/modbus/test_server.hpp"

namespace quillon {
namespace {

using ::testing::HasSubstr;
using testing::ModbusTestServer;
using testing::ProgramStart;
using testing::ReadWholeFile;
using testing::RunningProgram;
using testing::WaitUntil;

// The outputs follow input register 0 above 3.3 (the default equation); the e-mail slot is
// armed for the exit notice.
constexpr char kSettings[] = "[Rig]\nMathExpression9=0\nS9=Set\n";

// The staleness limit here: 3 polls of 0.05 s and 2 timeouts of 0.2 s, 0.55 s.
constexpr char kDevice[] = "channel 0 input-register 0 int16 gain=0.01\n";

constexpr char kAgent[] = "#!/bin/sh\necho \"$@\" >> \"$0.calls\"\n";

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos;
         at = text.find(part, at + part.size())) {
        ++count;
    }
    return count;
}

// `setting`, unless `lines` set its keyword already.
std::string Unless(const std::string& lines, const std::string& setting) {
    return lines.find(setting.substr(0, setting.find(' '))) == std::string::npos ? setting : "";
}

class ModbusResume : public ::testing::Test {
protected:
    ProgramStart Start(const std::string& device_lines, const std::string& settings_lines = "",
                       std::vector<std::string> options = {"--resume-after", "0.2"}) const {
        directory_.Write("NorvaneAlarm.ini", kSettings + settings_lines);
        directory_.Write("pellomar", kAgent, 0755);
        const std::string device = directory_.Write(
            "rig.dev", "server 127.0.0.1 " + std::to_string(server_.Port()) + "\n" + kDevice +
                           Unless(device_lines, "poll-rate 20\n") +
                           Unless(device_lines, "timeout 0.2\n") +
                           Unless(device_lines, "outputs coils 0\n") + device_lines);
        ProgramStart start;
        start.program = QUILLON_HEADLESS_PROGRAM;
        start.arguments = std::move(options);
        start.arguments.push_back("-dmodbus:" + device);
        start.arguments.push_back("-nRig");
        start.environment = {{"QUILLON_CONFIG_DIR", directory_.Path().string()},
                             {"XDG_STATE_HOME", (directory_.Path() / "state").string()},
                             {"QUILLON_PELLOMAR", (directory_.Path() / "pellomar").string()}};
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
    std::string Read(const std::string& name) const {
        return ReadWholeFile((directory_.Path() / name).string());
    }
    bool Shows(const std::string& name, const std::string& part, std::size_t times = 1,
               std::chrono::milliseconds patience = std::chrono::seconds(10)) const {
        return WaitUntil([&] { return Count(Read(name), part) >= times; }, patience);
    }
    // The coil of DOUT 0 follows the input register: on, then off again.
    bool CoilFollows() {
        server_.Set("ir", 0, {500});
        const bool on = WaitUntil([&] { return server_.Get("co", 0, 1) == std::vector{1}; });
        server_.Set("ir", 0, {0});
        return on && WaitUntil([&] { return server_.Get("co", 0, 1) == std::vector{0}; });
    }
    ~ModbusResume() override {
        for (const int fd : descriptors_) {
            ::close(fd);
        }
    }

    testing::TempDirectory directory_;
    mutable ModbusTestServer server_{ModbusTestServer::Faulty{}};
    mutable std::vector<int> descriptors_;
};

struct FaultCase {
    const char* name;
    const char* device_lines;
    const char* fault;
    const char* stop_reason;  // empty: a blip, the run goes on
};

class ModbusFaultTable : public ModbusResume, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(ModbusFaultTable, BlipsDoNotStopTheRunLongerFaultsStopItUntilTheDeviceIsBack) {
    const FaultCase& fault = GetParam();
    RunningProgram program(Start(fault.device_lines));
    ASSERT_TRUE(Shows("out.txt", " running\n")) << Read("err.txt");
    ASSERT_TRUE(CoilFollows());
    server_.Command(fault.fault);
    if (*fault.stop_reason == '\0') {
        // Past the blip (the fault clears itself), the coil still follows.
        EXPECT_TRUE(CoilFollows());
        EXPECT_EQ(Count(Read("err.txt"), "Stopped at"), 0u) << Read("err.txt");
    } else {
        ASSERT_TRUE(Shows("err.txt", "Stopped at")) << Read("err.txt");
        EXPECT_THAT(Read("err.txt"), HasSubstr(fault.stop_reason));
        server_.Command("clear");
        if (std::string(fault.fault) == "away") {
            server_.Command("back");
        }
        ASSERT_TRUE(Shows("err.txt", "status: Resumed at")) << Read("err.txt");
        EXPECT_TRUE(CoilFollows());
    }
    program.Signal(SIGTERM);
    EXPECT_EQ(program.WaitForExit(), 0);
    if (*fault.stop_reason != '\0') {
        // Read once the program has ended: the event log is written once a second.
        const std::string events = Read("state/quillon/events/Rig.jsonl");
        EXPECT_THAT(events, HasSubstr("\"event\":\"run_start\",\"resumed\":true"));
        EXPECT_THAT(events, HasSubstr("\"event\":\"run_stop\",\"reason\":\"host read failed: "));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Faults, ModbusFaultTable,
    ::testing::Values(FaultCase{"ShortSilence", "", "silence 0.15", ""},
                      FaultCase{"DroppedReply", "", "drop 1", ""},
                      FaultCase{"OneBusyReply", "", "exception 6 1", ""},
                      FaultCase{"SplitReplies", "", "split 0.1", ""},
                      FaultCase{"IdleCloseAtSlowPolls", "poll-rate 4\n", "idle-close 0.15", ""},
                      FaultCase{"LongSilence", "", "silence 2", "device not answering"},
                      FaultCase{"WrongUnit", "", "reply-unit 9", "it came from unit 9, not unit 1"},
                      FaultCase{"GatewayUnitAway", "", "exception 11 -1",
                                "gateway target failed to respond"},
                      FaultCase{"ModuleGone", "", "away", "device not answering"}),
    [](const auto& info) { return testing::CaseName(info.param.name); });

TEST_F(ModbusResume, AnEquationFailureIsNotResumed) {
    RunningProgram program(Start("", "MathExpression1=sqrt(#0)\n"));
    ASSERT_TRUE(Shows("out.txt", " running\n")) << Read("err.txt");
    server_.Set("ir", 0, {-100});  // the root of -1
    ASSERT_TRUE(Shows("err.txt", "Stopped at")) << Read("err.txt");
    // Long enough for five tries at the interval of 0.2 s: 20 more polls at 20 a second (the
    // answer names each poll's unit, "1 ").
    const auto requests = server_.Command("units").size();
    ASSERT_TRUE(WaitUntil([&] { return server_.Command("units").size() > requests + 40; }));
    EXPECT_EQ(Count(Read("err.txt"), "Resumed at"), 0u);
    program.Signal(SIGTERM);
    EXPECT_EQ(program.WaitForExit(), 0);
}

TEST_F(ModbusResume, AModuleAwayAtStartUpIsWaitedFor) {
    server_.Command("away");
    RunningProgram program(Start(""));
    ASSERT_TRUE(Shows("err.txt", "status: waiting for the device: ")) << Read("err.txt");
    server_.Command("back");
    ASSERT_TRUE(Shows("err.txt", "status: Resumed at")) << Read("err.txt");
    EXPECT_TRUE(CoilFollows());
    program.Signal(SIGTERM);
    EXPECT_EQ(program.WaitForExit(), 0);
}

TEST_F(ModbusResume, AWriteTheModuleRefusesIsLoggedAsNotWrittenAndStopsTheRun) {
    // Coils 195 to 202: the server has 0 to 199.
    RunningProgram program(Start("outputs coils 195\n", "", {}));
    ASSERT_TRUE(Shows("err.txt", "Stopped at")) << Read("err.txt");
    EXPECT_THAT(Read("err.txt"), HasSubstr(": output write refused: the device 127.0.0.1:"));
    EXPECT_THAT(Read("err.txt"), HasSubstr("refused to write coils 195 to 202: illegal data"));
    program.Signal(SIGTERM);
    EXPECT_EQ(program.WaitForExit(), 0);
    const std::string log = Read("state/quillon/events/Rig.jsonl");
    EXPECT_THAT(log, HasSubstr("\"event\":\"output\""));
    EXPECT_THAT(log, ::testing::Not(HasSubstr("\"written\":true")));
    EXPECT_THAT(log, HasSubstr("\"written\":false,\"error\":\"the device 127.0.0.1:"));
}

TEST_F(ModbusResume, AWriteTheModuleTookIsLoggedAsWritten) {
    RunningProgram program(Start("", "", {}));
    ASSERT_TRUE(Shows("out.txt", " running\n")) << Read("err.txt");
    ASSERT_TRUE(CoilFollows());
    program.Signal(SIGTERM);
    EXPECT_EQ(program.WaitForExit(), 0);
    EXPECT_THAT(Read("state/quillon/events/Rig.jsonl"),
                HasSubstr("\"word\":255,\"layout\":\"low byte\",\"forced\":false,"
                          "\"manual\":false,\"written\":true"));
}

struct AbsenceCase {
    const char* name;
    const char* fault;
};

class ModbusAbsence : public ModbusResume, public ::testing::WithParamInterface<AbsenceCase> {};

TEST_P(ModbusAbsence, SendsOneExitNoticeAndTheProgramWaitsForTheDevice) {
    RunningProgram program(Start("exit-after 0.5\n"));
    ASSERT_TRUE(Shows("out.txt", " running\n")) << Read("err.txt");
    server_.Command(GetParam().fault);
    ASSERT_TRUE(Shows("pellomar.calls", "WinDaq_Exits")) << Read("err.txt");
    server_.Command("clear");
    server_.Command("back");
    ASSERT_TRUE(Shows("err.txt", "status: Resumed at")) << Read("err.txt");
    EXPECT_TRUE(CoilFollows());
    EXPECT_EQ(Count(Read("pellomar.calls"), "WinDaq_Exits"), 1u);
    EXPECT_TRUE(program.StillRunning());
    program.Signal(SIGTERM);
    EXPECT_EQ(program.WaitForExit(), 0);
}

INSTANTIATE_TEST_SUITE_P(Faults, ModbusAbsence,
                         ::testing::Values(AbsenceCase{"ModuleGone", "away"},
                                           AbsenceCase{"GatewayUnitAway", "exception 11 -1"}),
                         [](const auto& info) { return testing::CaseName(info.param.name); });

struct NoticeCase {
    const char* name;
    const char* setting;
    const char* silence;  // long enough for a stop of over a second where the key is set
    std::size_t notices;  // RunStopped and RunResumed each
};

class ModbusStopNotice : public ModbusResume, public ::testing::WithParamInterface<NoticeCase> {};

TEST_P(ModbusStopNotice, GoesOutOncePerStopWhenTheKeySaysSo) {
    RunningProgram program(Start("", GetParam().setting));
    ASSERT_TRUE(Shows("out.txt", " running\n")) << Read("err.txt");
    server_.Command(std::string("silence ") + GetParam().silence);
    ASSERT_TRUE(Shows("err.txt", "Stopped at")) << Read("err.txt");
    ASSERT_TRUE(Shows("err.txt", "status: Resumed at")) << Read("err.txt");
    if (GetParam().notices > 0) {  // the agent runs on its own time
        EXPECT_TRUE(Shows("pellomar.calls", "RunResumed"));
    }
    program.Signal(SIGTERM);
    EXPECT_EQ(program.WaitForExit(), 0);
    const std::string calls = Read("pellomar.calls");
    EXPECT_EQ(Count(calls, "RunStopped"), GetParam().notices) << calls;
    EXPECT_EQ(Count(calls, "RunResumed"), GetParam().notices) << calls;
    if (GetParam().notices > 0) {
        EXPECT_THAT(calls, HasSubstr("DI0#Rig<br>The_run_has_been_stopped_for_"));
    }
    // Saved only where the user set it.
    EXPECT_EQ(Count(Read("NorvaneAlarm.ini"), "StopEmailAfter=1"), GetParam().notices);
    EXPECT_EQ(Count(Read("NorvaneAlarm.ini"), "StopEmailAfter"), GetParam().notices);
}

INSTANTIATE_TEST_SUITE_P(Settings, ModbusStopNotice,
                         ::testing::Values(NoticeCase{"Off", "", "1.2", 0},
                                           NoticeCase{"AfterOneSecond", "StopEmailAfter=1\n", "2",
                                                      1}),
                         [](const auto& info) { return testing::CaseName(info.param.name); });

struct SignalCase {
    const char* name;
    int signal;
    bool during_start_up;
};

class ModbusStopSignals : public ModbusResume, public ::testing::WithParamInterface<SignalCase> {};

// The device file's timeout is 20 s: only a wait that looks at the stop request ends sooner.
TEST_P(ModbusStopSignals, EndTheProgramPromptlyWithTheSettingsSaved) {
    if (GetParam().during_start_up) {
        server_.Command("silence 1000");
    }
    RunningProgram program(Start("timeout 20\n", "", {}));
    if (GetParam().during_start_up) {
        ASSERT_TRUE(WaitUntil([&] { return !server_.Command("units").empty(); }));
    } else {
        ASSERT_TRUE(Shows("out.txt", " running\n")) << Read("err.txt");
        server_.Command("silence 1000");
        const auto requests = server_.Command("units").size();
        ASSERT_TRUE(WaitUntil([&] { return server_.Command("units").size() > requests; }));
    }
    program.Signal(GetParam().signal);
    const int status = program.WaitForExit(std::chrono::seconds(5));
    ASSERT_TRUE(WIFEXITED(status)) << status << Read("err.txt");
    EXPECT_EQ(WEXITSTATUS(status), 0) << Read("err.txt");
    EXPECT_THAT(Read("NorvaneAlarm.ini"), HasSubstr("DataWindow=100"));
}

INSTANTIATE_TEST_SUITE_P(Signals, ModbusStopSignals,
                         ::testing::Values(SignalCase{"SigintAtStartUp", SIGINT, true},
                                           SignalCase{"SigtermAtStartUp", SIGTERM, true},
                                           SignalCase{"SighupAtStartUp", SIGHUP, true},
                                           SignalCase{"SigintMidRun", SIGINT, false},
                                           SignalCase{"SigtermMidRun", SIGTERM, false},
                                           SignalCase{"SighupMidRun", SIGHUP, false}),
                         [](const auto& info) { return testing::CaseName(info.param.name); });

}  // namespace
}  // namespace quillon
