// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "app/startup_fixture.hpp"

namespace quillon {
namespace {

using testing::StartupFixture;

TEST_F(StartupFixture, ClosingWhileRunningStopsThenSaves) {
    addon.Load("");
    addon.Unload();
    EXPECT_EQ(panel.StartStopCaption(), "Start");
    EXPECT_FALSE(panel.ScanTimerEnabled());
    EXPECT_NE(Settings().find("EmailAlarmInterval=20"), std::string::npos);
}

TEST_F(StartupFixture, ClosingWhileStoppedOnlySaves) {
    addon.Load("");
    addon.StartStopClicked();
    panel.SetEquation(0, "#1>0");
    addon.Unload();
    EXPECT_EQ(panel.StartStopCaption(), "Start");
    EXPECT_NE(Settings().find("MathExpression0=#1>0\n"), std::string::npos);
}

TEST_F(StartupFixture, AFailedSaveIsReportedOnceInTheStatus) {
    addon.Load("");
    store.fail_writes = true;
    addon.Unload();
    EXPECT_EQ(panel.Status(), "Settings not saved (46 keys): disk full");
    EXPECT_EQ(addon.SaveFailure(), panel.Status());  // the front end ends with it, status 1
}

TEST_F(StartupFixture, AFailedSaveAtHostExitIsKeptForTheFrontEnd) {
    addon.Load("");
    store.fail_writes = true;
    addon.HostExited();
    EXPECT_TRUE(addon.Ended());
    EXPECT_TRUE(addon.SaveFailure().has_value());
}

// Defaults would drive every output from "#0>3.3": an existing file that cannot be read, or
// an instance name that cannot head a section, stops start-up before the run.
TEST_F(StartupFixture, StartupStopsWhenTheSettingsCannotBeUsed) {
    store.unreadable = true;
    EXPECT_THROW(addon.Load(""), std::runtime_error);
    EXPECT_FALSE(panel.ScanTimerEnabled());
    store.unreadable = false;
    for (const char* name : {"-d -nLab\t", "-d -nX]\n[Lab9", "-d -nA\rB"}) {
        EXPECT_THROW(addon.Load(name), std::runtime_error) << name;
        EXPECT_FALSE(panel.ScanTimerEnabled());
    }
    EXPECT_TRUE(Settings().empty());
}

TEST_F(StartupFixture, HostExitStopsSavesAndEnds) {
    addon.Load("");
    addon.HostExited();
    EXPECT_TRUE(addon.Ended());
    EXPECT_FALSE(panel.ScanTimerEnabled());
    EXPECT_FALSE(Settings().empty());
}

TEST_F(StartupFixture, ResizeKeepsTheWindowInBounds) {
    addon.Resize(300, 6000);
    EXPECT_EQ(panel.WindowWidth(), 480);
    EXPECT_EQ(panel.WindowHeight(), 5505);
}

}  // namespace
}  // namespace quillon
