// SPDX-License-Identifier: MIT
#include "control/agent_command.hpp"

#include <gtest/gtest.h>

#include "case_name.hpp"

namespace quillon {
namespace {

struct CommandCase {
    const char* event;
    const char* sender_suffix;
    const char* event_word;
    const char* command_line;
};

class AgentCommandTest : public ::testing::TestWithParam<CommandCase> {};

constexpr char kMessage[] = "14:03:07<br>DI710#Line_3<br>";

TEST_P(AgentCommandTest, BuildsTheCommandLineAndTheArguments) {
    const AgentCommand command(GetParam().event, GetParam().sender_suffix, kMessage);
    EXPECT_EQ(command.CommandLine(), GetParam().command_line);
    const std::vector<std::string> expected = {"Global", "Norvane", GetParam().event_word,
                                               kMessage};
    EXPECT_EQ(command.Arguments(), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Suffixes, AgentCommandTest,
    ::testing::Values(
        CommandCase{"Alarm", " ", "Alarm",
                    "Pellomar.exe Global Norvane Alarm 14:03:07<br>DI710#Line_3<br>"},
        CommandCase{"Alarm", "@Line_3 ", "Alarm@Line_3",
                    "Pellomar.exe Global Norvane Alarm@Line_3 14:03:07<br>DI710#Line_3<br>"},
        CommandCase{"Alarm", "@Night_Shift ", "Alarm@Night_Shift",
                    "Pellomar.exe Global Norvane Alarm@Night_Shift 14:03:07<br>DI710#Line_3<br>"},
        CommandCase{"WinDaq_Exits", " ", "WinDaq_Exits",
                    "Pellomar.exe Global Norvane WinDaq_Exits 14:03:07<br>DI710#Line_3<br>"},
        CommandCase{"WinDaq_Exits", "@Line_3 ", "WinDaq_Exits@Line_3",
                    "Pellomar.exe Global Norvane WinDaq_Exits@Line_3 "
                    "14:03:07<br>DI710#Line_3<br>"}),
    [](const auto& info) { return testing::CaseName(info.param.event, info.param.sender_suffix); });

TEST(AgentCommandMessageTest, KeepsAnyMessageAsOneArgument) {
    const std::string message = "a \"quoted\" $(x) `y`\nnext<br>line";
    const AgentCommand command(kAlarmEvent, " ", message);
    ASSERT_EQ(command.Arguments().size(), 4U);
    EXPECT_EQ(command.Arguments()[3], message);
}

}  // namespace
}  // namespace quillon
