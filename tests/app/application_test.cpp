// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "app/startup_fixture.hpp"

namespace quillon {
namespace {

using testing::StartupFixture;

TEST_F(StartupFixture, ClosingWhileRunningStopsThenSaves) {
    application.Load("");
    application.Unload();
    EXPECT_EQ(panel.StartStopCaption(), "Start");
    EXPECT_FALSE(panel.ScanTimerEnabled());
    EXPECT_NE(Settings().find("EmailAlarmInterval=20"), std::string::npos);
}

// A run that never had timing keys saves none: the section ends as it always did.
TEST_F(StartupFixture, AFirstSaveAfterARunHasNoTimingKeys) {
    application.Load("");
    application.ScanTick();
    application.Acknowledge(Application::kAllSlots, AckSource::Window);
    application.Unload();
    const std::string saved = Settings();
    EXPECT_EQ(saved.find("Delay"), std::string::npos) << saved;
    EXPECT_EQ(saved.find("Latch"), std::string::npos) << saved;
    EXPECT_EQ(saved.substr(saved.size() - 39), "EmailAlarmInterval=20\nKeepAliveEmail=0\n");
}

// A delay out of range is said in the status line once the run is up (Start clears it).
TEST_F(StartupFixture, ATimingKeyOutOfRangeIsSaidAfterStart) {
    store.files["NorvaneAlarm.ini"] = "[Quillon]\nOnDelay3=-1\n";
    application.Load("");
    EXPECT_TRUE(panel.ScanTimerEnabled());
    EXPECT_EQ(panel.Status(), "OnDelay3=-1 is outside 0 to 3600000 ms: read as 0");
}

TEST_F(StartupFixture, ClosingWhileStoppedOnlySaves) {
    application.Load("");
    application.StartStopClicked();
    panel.SetEquation(0, "#1>0");
    application.Unload();
    EXPECT_EQ(panel.StartStopCaption(), "Start");
    EXPECT_NE(Settings().find("MathExpression0=#1>0\n"), std::string::npos);
}

TEST_F(StartupFixture, AFailedSaveIsReportedOnceInTheStatus) {
    application.Load("");
    store.fail_writes = true;
    application.Unload();
    EXPECT_EQ(panel.Status(), "Settings not saved (46 keys): disk full");
    EXPECT_EQ(application.SaveFailure(), panel.Status());  // the front end ends with it, status 1
}

TEST_F(StartupFixture, AFailedSaveAtHostExitIsKeptForTheFrontEnd) {
    application.Load("");
    store.fail_writes = true;
    application.HostExited();
    EXPECT_TRUE(application.Ended());
    EXPECT_TRUE(application.SaveFailure().has_value());
}

// Defaults would drive every output from "#0>3.3": an existing file that cannot be read, or
// an instance name that cannot head a section, stops start-up before the run.
TEST_F(StartupFixture, StartupStopsWhenTheSettingsCannotBeUsed) {
    store.unreadable = true;
    EXPECT_THROW(application.Load(""), std::runtime_error);
    EXPECT_FALSE(panel.ScanTimerEnabled());
    store.unreadable = false;
    for (const char* name : {"-d -nLab\t", "-d -nX]\n[Lab9", "-d -nA\rB"}) {
        EXPECT_THROW(application.Load(name), std::runtime_error) << name;
        EXPECT_FALSE(panel.ScanTimerEnabled());
    }
    EXPECT_TRUE(Settings().empty());
}

TEST_F(StartupFixture, HostExitStopsSavesAndEnds) {
    application.Load("");
    application.HostExited();
    EXPECT_TRUE(application.Ended());
    EXPECT_FALSE(panel.ScanTimerEnabled());
    EXPECT_FALSE(Settings().empty());
}

// The live view's history: one entry per tick, its slot bits the lamps the tick left red.
TEST_F(StartupFixture, EveryTickIsKeptForTheViewWithTheLampsItLeft) {
    store.files["NorvaneAlarm.ini"] = "[Quillon]\nMathExpression0=1\nMathExpression1=0\n";
    host.block = SampleBlock(4, 1);
    application.Load("");
    for (int tick = 0; tick < 3; ++tick) {
        application.ScanTick();
    }
    const SampleHistory& history = application.History();
    ASSERT_EQ(history.Size(), 3U);
    EXPECT_EQ(history.Channels(), 4);
    EXPECT_EQ(history.ActiveSlotsAt(2) & 0b11, 0b01);
}

TEST_F(StartupFixture, ResizeKeepsTheWindowInBounds) {
    application.Resize(300, 6000);
    EXPECT_EQ(panel.WindowWidth(), 480);
    EXPECT_EQ(panel.WindowHeight(), 5505);
}

TEST_F(StartupFixture, AnEndedAgentsOutcomeReachesTheStatusLine) {
    application.Load("");
    launcher.finished = {{"pellomar", {"Global", "Norvane", "Alarm", "x"}, true, 4}};
    application.AgentsFinished();
    EXPECT_EQ(
        panel.Status().rfind("Alarm e-mail queued, but it cannot leave: the mail password", 0), 0U)
        << panel.Status();
}

struct KeepAliveCase {
    std::string name;
    std::string settings;  // the instance's section, after "[Quillon]"
    int keep_alives;       // after a minute of Timer3 ticks (two)
};

class KeepAliveThroughSettings : public StartupFixture,
                                 public ::testing::WithParamInterface<KeepAliveCase> {};

// The samples are 0: "#0>3.3" stays false (all quiet), "#0<1" stays true.
TEST_P(KeepAliveThroughSettings, SendsOnlyWhenSwitchedOnAndAllIsQuiet) {
    store.files["NorvaneAlarm.ini"] = "[Quillon]\nS9=Set\n" + GetParam().settings;
    application.Load("");
    for (int tick = 0; tick < 2; ++tick) {
        application.ScanTick();
        application.KeepAliveTick();
    }
    int keep_alives = 0;
    for (const auto& launch : launcher.launched) {
        keep_alives += launch.arguments.at(2).rfind("KeepAlive", 0) == 0 ? 1 : 0;
    }
    EXPECT_EQ(keep_alives, GetParam().keep_alives);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, KeepAliveThroughSettings,
    ::testing::Values(KeepAliveCase{"QuietHalfMinutes",
                                    "MathExpression9=#0>3.3\nEmailAlarmInterval=1\n"
                                    "KeepAliveEmail=1\n",
                                    2},
                      KeepAliveCase{"EquationTrue",
                                    "MathExpression9=#0<1\nEmailAlarmInterval=1\n"
                                    "KeepAliveEmail=1\n",
                                    0},
                      KeepAliveCase{"NotSwitchedOn",
                                    "MathExpression9=#0>3.3\nEmailAlarmInterval=1\n", 0},
                      KeepAliveCase{"IntervalZero",
                                    "MathExpression9=#0>3.3\nEmailAlarmInterval=0\n"
                                    "KeepAliveEmail=1\n",
                                    0},
                      KeepAliveCase{"LongerInterval",
                                    "MathExpression9=#0>3.3\nEmailAlarmInterval=20\n"
                                    "KeepAliveEmail=1\n",
                                    0}),
    [](const ::testing::TestParamInfo<KeepAliveCase>& info) { return info.param.name; });

}  // namespace
}  // namespace quillon
