// SPDX-License-Identifier: MIT
// The window program's whole life against a control that works only when active in place: the
// control lives on the window, the cycle writes outputs, the host's exit ends the run with a
// save, and the control is deactivated and released before COM ends.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "com_test_fixture.hpp"
#include "ui/win32/win32_window_program.hpp"
#include "window_test_fixture.hpp"

namespace quillon::testing {
namespace {

using WindowProgramWinDaqTest = FakeControlTest;

TEST_F(WindowProgramWinDaqTest, RunsOnTheWindowWritesAndEndsWithTheHostsExit) {
    ScriptTwoChannelInstrument(*script_);
    script_->needs_in_place_activation = true;
    ::WritePrivateProfileStringA("Quillon", nullptr, nullptr, "NorvaneAlarm.ini");
    BoxAnswerer boxes;

    EXPECT_EQ(RunWin32WindowProgram(ProgramOptions{}), kExitNormal);

    EXPECT_TRUE(boxes.shown.empty());
    std::set<double> words;
    for (const ReceivedCall& call : script_->calls) {
        if (call.id == 16) {
            words.insert(call.arguments.at(0).number);
        }
    }
    EXPECT_THAT(words, ::testing::IsSupersetOf({0.0, 255.0})) << "every output off and on";
    EXPECT_EQ(script_->window_root_class, "QuillonMainWindow");
    char saved[64] = {};
    ::GetPrivateProfileStringA("Quillon", "MathExpression0", "", saved, sizeof saved,
                               "NorvaneAlarm.ini");
    EXPECT_STREQ(saved, "#0>3.3") << "saved at the host's exit";
    const auto& calls = script_->container_calls;
    const auto deactivated = std::find(calls.begin(), calls.end(), "Deactivate");
    EXPECT_LT(deactivated, std::find(calls.begin(), calls.end(), "Released"))
        << ::testing::PrintToString(calls);
    EXPECT_EQ(script_->live_instances, 0);
}

}  // namespace
}  // namespace quillon::testing
