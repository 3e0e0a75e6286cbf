// SPDX-License-Identifier: MIT
#include "control/run_control.hpp"

#include <gtest/gtest.h>

#include "case_name.hpp"
#include "control/mode_switch.hpp"

namespace quillon {
namespace {

class RunControlTest : public ::testing::Test {
protected:
    RunControlTest() {
        panel.SetMathMode(1);
        for (int slot = 0; slot < kSlotCount; ++slot) {
            panel.SetEquation(slot, "eq" + std::to_string(slot));
        }
    }

    PreparationResult Check(const std::string& equation, TokenUse so_far) {
        checked.push_back(equation);
        return {equation != failing, so_far};
    }

    Panel panel;
    RunState run_state;
    InstanceFacts facts;
    OperatorSettings settings;
    ForceWrite force_write;
    std::vector<std::string> checked;
    std::string failing;
    RunControl run{
        panel,       run_state,
        facts,       settings,
        force_write, [this](const std::string& e, TokenUse so_far) { return Check(e, so_far); }};
};

struct DataWindowCase {
    const char* text;
    int window;
    const char* text_after;
};

class DataWindowTest : public RunControlTest,
                       public ::testing::WithParamInterface<DataWindowCase> {};

TEST_P(DataWindowTest, EveryPressReadsTheDataWindow) {
    panel.SetDataWindowText(GetParam().text);
    run.StartStop();
    EXPECT_EQ(run_state.data_window, GetParam().window);
    EXPECT_EQ(panel.DataWindowText(), GetParam().text_after);
}

INSTANTIATE_TEST_SUITE_P(Texts, DataWindowTest,
                         ::testing::Values(DataWindowCase{"0", 1, "1"},
                                           DataWindowCase{"-5", 1, "1"},
                                           DataWindowCase{"abc", 1, "1"},
                                           DataWindowCase{"12.9", 12, "12.9"},
                                           DataWindowCase{"1000", 1000, "1000"},
                                           DataWindowCase{"99999", 32767, "99999"}),
                         [](const auto& info) { return testing::CaseName(info.param.text); });

TEST_F(RunControlTest, StartLocksAndStopUnlocks) {
    run.StartStop();
    EXPECT_EQ(panel.StartStopCaption(), "Stop");
    EXPECT_TRUE(panel.ScanTimerEnabled());
    EXPECT_FALSE(panel.MathModeEnabled() || panel.DataWindowEnabled() ||
                 panel.QuickReferenceEnabled() || panel.Slot(9).edit_enabled ||
                 panel.Slot(0).equation_enabled);
    EXPECT_EQ(panel.WindowHeight(), kRunningWindowHeight);
    EXPECT_TRUE(force_write.pending);
    force_write.pending = false;
    run.StartStop();
    EXPECT_EQ(panel.StartStopCaption(), "Start");
    EXPECT_FALSE(panel.ScanTimerEnabled());
    EXPECT_TRUE(panel.MathModeEnabled() && panel.DataWindowEnabled() &&
                panel.QuickReferenceEnabled() && panel.Slot(9).edit_enabled &&
                panel.Slot(0).equation_enabled);
    EXPECT_EQ(panel.WindowHeight(), kStoppedWindowHeight);
    EXPECT_EQ(panel.Slot(5).lamp, kLampNeutral);
    EXPECT_TRUE(force_write.pending);
}

TEST_F(RunControlTest, FailingEquationAbandonsStartWithNeutralLamps) {
    failing = "eq4";
    run.StartStop();
    EXPECT_EQ(checked, (std::vector<std::string>{"eq0", "eq1", "eq2", "eq3", "eq4"}));
    EXPECT_EQ(panel.StartStopCaption(), "Start");
    EXPECT_FALSE(panel.ScanTimerEnabled());
    for (int slot = 0; slot < kSlotCount; ++slot) {
        EXPECT_EQ(panel.Slot(slot).lamp, kLampNeutral);
    }
}

TEST_F(RunControlTest, ManualModeValidatesNothing) {
    panel.SetMathMode(0);
    failing = "eq0";
    run.StartStop();
    EXPECT_TRUE(checked.empty());
    EXPECT_TRUE(panel.ScanTimerEnabled());
}

TEST_F(RunControlTest, InstrumentsWithoutOutputsZeroAndOneStartAtSlotTwo) {
    facts.instrument_model = 1480;
    run.StartStop();
    EXPECT_EQ(checked.front(), "eq2");
    EXPECT_EQ(checked.size(), 8u);
}

struct KeepAliveCase {
    const char* mode;
    bool enabled;
};

class KeepAliveTest : public RunControlTest, public ::testing::WithParamInterface<KeepAliveCase> {};

TEST_P(KeepAliveTest, StartEnablesTheKeepAliveTimerByTheEmailMode) {
    panel.SetMode(kEmailSlot, GetParam().mode);
    settings.email_alarm_interval = 20;
    run.StartStop();
    EXPECT_EQ(panel.KeepAliveTimerEnabled(), GetParam().enabled);
    EXPECT_EQ(run_state.keep_alive_countdown, 19);
    run.StartStop();
    EXPECT_FALSE(panel.KeepAliveTimerEnabled());
}

INSTANTIATE_TEST_SUITE_P(Modes, KeepAliveTest,
                         ::testing::Values(KeepAliveCase{"Set", true},
                                           KeepAliveCase{"Force Set", true},
                                           KeepAliveCase{"Reset", false},
                                           KeepAliveCase{"Force Reset", false},
                                           KeepAliveCase{"set", false}),
                         [](const auto& info) { return testing::CaseName(info.param.mode); });

TEST(ModeSwitchTest, PositionSetsTheModeAndEveryChangeUpdatesTheKeepAliveTimer) {
    Panel panel;
    ModeSwitch modes(panel);
    panel.SetMode(kEmailSlot, "Set");
    panel.SetSwitchPosition(0, 3);
    modes.SwitchChanged(0);
    EXPECT_EQ(panel.Slot(0).mode, "Force Reset");
    EXPECT_TRUE(panel.KeepAliveTimerEnabled());
    panel.SetSwitchPosition(kEmailSlot, 3);
    modes.SwitchChanged(kEmailSlot);
    EXPECT_FALSE(panel.KeepAliveTimerEnabled());
    EXPECT_EQ(SwitchPositionForMode("Force Set"), 1);
    EXPECT_EQ(SwitchPositionForMode("Reset"), 2);
    EXPECT_EQ(SwitchPositionForMode("Force Reset"), 3);
}

}  // namespace
}  // namespace quillon
