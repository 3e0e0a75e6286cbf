// SPDX-License-Identifier: MIT
// quillon-headless as a real process against a real Modbus TCP server on loopback.
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

// Slot 0 follows an input register, slot 1 a digital bit, slot 2 a float; the e-mail slot is
// armed so that the host's exit sends its notice.
constexpr char kSettings[] =
    "[Quillon]\n"
    "MathExpression0=#0>3.3\n"
    "MathExpression1=#dig2\n"
    "MathExpression2=#1<0\n"
    "MathExpression3=0\nMathExpression4=0\nMathExpression5=0\nMathExpression6=0\n"
    "MathExpression7=0\nMathExpression9=0\nS9=Set\n";

constexpr char kChannels[] =
    "poll-rate 100\n"
    "timeout 0.2\n"
    "channel 0 input-register 0 int16 gain=0.01 text=\"Tank level\"\n"
    "channel 1 holding-register 10 float32\n"
    "digital discrete-inputs 20\n";

// The e-mail agent: records its arguments.
constexpr char kAgent[] = "#!/bin/sh\necho \"$@\" >> \"$0.calls\"\n";

class ModbusHeadless : public ::testing::Test {
protected:
    ProgramStart Start(const std::string& device_lines) const {
        directory_.Write("NorvaneAlarm.ini", kSettings);
        directory_.Write("pellomar", kAgent, 0755);
        const std::string device =
            directory_.Write("rig.dev", "server 127.0.0.1 " + std::to_string(server_->Port()) +
                                            "\n" + kChannels + device_lines);
        ProgramStart start;
        start.program = QUILLON_HEADLESS_PROGRAM;
        start.arguments = {"-dmodbus:" + device};
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
    bool Running() const {
        return WaitUntil([&] { return Read("out.txt").find(" running\n") != std::string::npos; });
    }
    ~ModbusHeadless() override {
        for (const int fd : descriptors_) {
            ::close(fd);
        }
    }

    testing::TempDirectory directory_;
    std::unique_ptr<ModbusTestServer> server_ = std::make_unique<ModbusTestServer>();
    mutable std::vector<int> descriptors_;
};

struct LayoutCase {
    const char* name;
    const char* lines;
    const char* table;
    int address;
    // The server's view of DOUT 0, 1 and 2 from what it holds.
    std::vector<int> (*outputs)(const std::vector<int>& held);
};

std::vector<int> FromCoils(const std::vector<int>& held) {
    return {held.at(0), held.at(1), held.at(2)};
}

std::vector<int> FromHighByte(const std::vector<int>& held) {
    const int word = held.at(0);
    return {(word >> 8) & 1, (word >> 9) & 1, (word >> 10) & 1};
}

class ModbusHeadlessLayout : public ModbusHeadless,
                             public ::testing::WithParamInterface<LayoutCase> {};

TEST_P(ModbusHeadlessLayout, OutputsFollowTheServersRegistersAndBits) {
    const LayoutCase& layout = GetParam();
    RunningProgram program(Start(layout.lines));
    ASSERT_TRUE(Running()) << Read("err.txt");
    const auto outputs = [&] {
        return layout.outputs(server_->Get(layout.table, layout.address, 8));
    };
    EXPECT_TRUE(WaitUntil([&] { return outputs() == std::vector{0, 0, 0}; }));
    server_->Set("ir", 0, {500});  // 5.00 crosses 3.3
    EXPECT_TRUE(WaitUntil([&] { return outputs() == std::vector{1, 0, 0}; }));
    server_->Set("di", 22, {1});  // bit 2 of the digital channel
    EXPECT_TRUE(WaitUntil([&] { return outputs() == std::vector{1, 1, 0}; }));
    server_->Set("hr", 10, {0xBF80, 0});  // -1.0f
    EXPECT_TRUE(WaitUntil([&] { return outputs() == std::vector{1, 1, 1}; }));
    server_->Set("ir", 0, {100});  // 1.00, back below
    EXPECT_TRUE(WaitUntil([&] { return outputs() == std::vector{0, 1, 1}; }));
    program.Signal(SIGTERM);
    EXPECT_EQ(program.WaitForExit(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, ModbusHeadlessLayout,
    ::testing::Values(LayoutCase{"CoilsLowByte", "outputs coils 0\n", "co", 0, FromCoils},
                      LayoutCase{"RegisterHighByte",
                                 "outputs holding-register 50\nidentification \"QM7 rig\"\n"
                                 "layout high\n",
                                 "hr", 50, FromHighByte}),
    [](const auto& info) { return testing::CaseName(info.param.name); });

TEST_F(ModbusHeadless, AServerThatGoesAwayStopsTheRunWithTheReasonShown) {
    RunningProgram program(Start("outputs coils 0\n"));
    ASSERT_TRUE(Running()) << Read("err.txt");
    server_->Kill();
    EXPECT_TRUE(WaitUntil([&] {
        return Read("err.txt").find("host read failed: device not answering: ") !=
               std::string::npos;
    })) << Read("err.txt");
    EXPECT_THAT(Read("out.txt"), HasSubstr(" stopped\n"));
    EXPECT_TRUE(program.StillRunning());  // stopped, not ended: no exit time was set
    program.Signal(SIGTERM);
    EXPECT_EQ(program.WaitForExit(), 0);
}

TEST_F(ModbusHeadless, AServerAwayLongerThanTheExitTimeEndsTheProgramWithNoticeAndSave) {
    RunningProgram program(Start("outputs coils 0\nexit-after 0.5\n"));
    ASSERT_TRUE(Running()) << Read("err.txt");
    server_->Kill();
    const int status = program.WaitForExit();
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_THAT(Read("out.txt"), HasSubstr("host exited: stopping, saving the settings, ending"));
    EXPECT_TRUE(WaitUntil([&] { return !Read("pellomar.calls").empty(); }));
    EXPECT_THAT(Read("pellomar.calls"), HasSubstr("WinDaq_Exits"));
    EXPECT_THAT(Read("NorvaneAlarm.ini"), HasSubstr("DataWindow=100"));  // written by the save
}

TEST_F(ModbusHeadless, ARegisterTheServerLacksStopsStartUpWithAClearMessage) {
    RunningProgram program(Start("channel 2 input-register 900\n"));
    const int status = program.WaitForExit();
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_THAT(Read("err.txt"), HasSubstr("refused to read input registers 900 to 900: illegal "
                                           "data address"));
}

}  // namespace
}  // namespace quillon
