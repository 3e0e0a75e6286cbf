// SPDX-License-Identifier: MIT
#include "app/settings.hpp"

#include <gtest/gtest.h>

#include <algorithm>

#include "case_name.hpp"
#include "control/mode_switch.hpp"
#include "fakes/memory_profile_store.hpp"

namespace quillon {
namespace {

class SettingsTest : public ::testing::Test, private PanelHandlers {
protected:
    SettingsTest() { panel.SetHandlers(this); }

    void Store(const std::string& text) { profiles.files[kSettingsFile] = text; }
    std::string Stored() { return profiles.files[kSettingsFile]; }
    void Load() { settings.GetSetupInfo(); }

    Panel panel;
    OperatorSettings values;
    InstanceFacts facts;
    testing::MemoryProfileStore profiles;
    Settings settings{panel, values, facts, profiles};

private:
    void SwitchChanged(int slot) override { ModeSwitch(panel).SwitchChanged(slot); }
    void ManualOutputChanged(int) override {}
};

constexpr const char* kFirstSave =
    "[Quillon]\n"
    "MathExpression0=#0>3.3\nS0=Set\nMathExpression1=#0>3.3\nS1=Set\n"
    "MathExpression2=#0>3.3\nS2=Set\nMathExpression3=#0>3.3\nS3=Set\n"
    "MathExpression4=#0>3.3\nS4=Set\nMathExpression5=#0>3.3\nS5=Set\n"
    "MathExpression6=#0>3.3\nS6=Set\nMathExpression7=#0>3.3\nS7=Set\n"
    "MathExpression8=#0>3.3\nS8=Force Reset\nMathExpression9=#0>3.3\nS9=Force Reset\n"
    "UseMathExpression=1\nSoundFile=c:\\windows\\media\\ding.wav\nAlarmInterval=1\n"
    "DoutTrueKey0=81\nDoutFalseKey0=65\nDoutTrueKey1=87\nDoutFalseKey1=83\n"
    "DoutTrueKey2=69\nDoutFalseKey2=68\nDoutTrueKey3=82\nDoutFalseKey3=70\n"
    "DoutTrueKey4=84\nDoutFalseKey4=71\nDoutTrueKey5=89\nDoutFalseKey5=72\n"
    "DoutTrueKey6=85\nDoutFalseKey6=74\nDoutTrueKey7=73\nDoutFalseKey7=75\n"
    "HKey0=17\nHKey1=18\nDataWindow=100\nWindow Top=1000\nWindow Left=1000\n"
    "EmailAlarmInterval=20\n"
    "KeepAliveEmail=0\n";

TEST_F(SettingsTest, FirstSaveFromAnEmptyFileWritesTheDefaultSection) {
    Load();
    EXPECT_TRUE(settings.SaveSetupInfo().Ok());
    EXPECT_EQ(Stored(), kFirstSave);
}

TEST_F(SettingsTest, NoFileLoadsTheDefaults) {
    Load();
    for (int slot = 0; slot < kSlotCount; ++slot) {
        EXPECT_EQ(panel.Slot(slot).equation, "#0>3.3");
        EXPECT_EQ(panel.Slot(slot).mode, slot < 8 ? "Set" : "Force Reset");
        EXPECT_EQ(panel.Slot(slot).switch_position, slot < 8 ? 2 : 3);
    }
    EXPECT_EQ(values.dout_true_key[0], 81);
    EXPECT_EQ(values.dout_false_key[7], 75);
    EXPECT_EQ(values.hot_key[0], 17);
    EXPECT_EQ(values.hot_key[1], 18);
    EXPECT_EQ(panel.WindowLeft(), 1000);
    EXPECT_EQ(panel.WindowTop(), 1000);
    EXPECT_EQ(panel.MathMode(), 1);
}

struct ModeCase {
    int slot;
    const char* stored;
    const char* mode;
    int position;
};

class SettingsModeTest : public SettingsTest, public ::testing::WithParamInterface<ModeCase> {};

TEST_P(SettingsModeTest, SwitchIsPositionedFromTheLoadedText) {
    const ModeCase& c = GetParam();
    Store("[Quillon]\nS" + std::to_string(c.slot) + "=" + c.stored + "\n");
    Load();
    EXPECT_EQ(panel.Slot(c.slot).mode, c.mode);
    EXPECT_EQ(panel.Slot(c.slot).switch_position, c.position);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, SettingsModeTest,
    ::testing::Values(ModeCase{3, "Reset", "Set", 2}, ModeCase{8, "Reset", "Reset", 2},
                      ModeCase{9, "whatever", "whatever", 2},
                      ModeCase{3, "Force Set", "Force Set", 1}, ModeCase{3, "force set", "Set", 2},
                      ModeCase{0, "Force Reset", "Force Reset", 3},
                      ModeCase{8, "Force Set", "Force Set", 1}, ModeCase{9, "Set", "Set", 2}),
    [](const auto& info) { return testing::CaseName("Slot", info.param.slot, info.param.stored); });

TEST_F(SettingsModeTest, KeepAliveTimerFollowsTheEmailSlotAfterLoad) {
    Store("[Quillon]\nS9=Force Set\n");
    Load();
    EXPECT_TRUE(panel.KeepAliveTimerEnabled());
}

struct NumberCase {
    const char* line;
    std::function<long long(const OperatorSettings&, const Panel&)> field;
    long long value;
};

class SettingsNumberTest : public SettingsTest, public ::testing::WithParamInterface<NumberCase> {};

TEST_P(SettingsNumberTest, NumbersAreRoundedAndSaturated) {
    Store(std::string("[Quillon]\n") + GetParam().line + "\n");
    Load();
    EXPECT_EQ(GetParam().field(values, panel), GetParam().value) << GetParam().line;
}

const auto kAlarm = [](const OperatorSettings& s, const Panel&) -> long long {
    return s.alarm_interval;
};
const auto kEmail = [](const OperatorSettings& s, const Panel&) -> long long {
    return s.email_alarm_interval;
};
const auto kTop = [](const OperatorSettings&, const Panel& p) -> long long {
    return p.WindowTop();
};
const auto kLeft = [](const OperatorSettings&, const Panel& p) -> long long {
    return p.WindowLeft();
};
const auto kKey3 = [](const OperatorSettings& s, const Panel&) -> long long {
    return s.dout_true_key[3];
};

INSTANTIATE_TEST_SUITE_P(
    Numbers, SettingsNumberTest,
    ::testing::Values(
        NumberCase{"AlarmInterval= 2.5 ", kAlarm, 2}, NumberCase{"AlarmInterval=3.5", kAlarm, 4},
        NumberCase{"AlarmInterval=-4", kAlarm, -4},
        NumberCase{"AlarmInterval=99999", kAlarm, 32767},
        NumberCase{"AlarmInterval=abc", kAlarm, 0}, NumberCase{"AlarmInterval=", kAlarm, 0},
        NumberCase{"EmailAlarmInterval=1e3", kEmail, 1000},
        NumberCase{"EmailAlarmInterval=1e20", kEmail, 2147483647},
        NumberCase{"Window Top=-300", kTop, 0}, NumberCase{"window top=123456", kTop, 123456},
        NumberCase{"Window Left=x", kLeft, 0}, NumberCase{"DoutTrueKey3=1 1 2", kKey3, 112}),
    [](const auto& info) { return testing::CaseName(info.param.line); });

TEST_F(SettingsTest, EmptiedEquationIsSavedAsBlankAndLoadsEmpty) {
    Load();
    panel.SetEquation(4, "");
    settings.SaveSetupInfo();
    EXPECT_NE(Stored().find("MathExpression4= \n"), std::string::npos);
    panel.SetEquation(4, "#1>2");
    Load();
    EXPECT_EQ(panel.Slot(4).equation, "");
}

TEST_F(SettingsTest, ValuesRoundTripAndLongEquationsStayWhole) {
    const std::string long_equation = "#0>1" + std::string(300, ' ') + "&#1<2";
    Store("[Other]\nS0=Force Set\n[Quillon]\nMathExpression2=  " + long_equation +
          "  \nUseMathExpression=0\nDataWindow=12.9\n");
    Load();
    EXPECT_EQ(panel.Slot(2).equation, long_equation);
    EXPECT_EQ(panel.MathMode(), 1);
    EXPECT_EQ(panel.DataWindowText(), "12.9");
    values.alarm_interval = 7;
    settings.SaveSetupInfo();
    EXPECT_EQ(Stored().rfind("[Other]\nS0=Force Set\n[Quillon]\n", 0), 0u);
    Load();
    EXPECT_EQ(values.alarm_interval, 7);
    EXPECT_EQ(panel.Slot(2).equation, long_equation);
}

TEST_F(SettingsTest, WindowPositionAtOrAboveTheEdgeIsNotSaved) {
    Store("[Quillon]\nWindow Top=1500\nWindow Left=700\n");
    Load();
    panel.SetWindowPosition(0, -20);
    settings.SaveSetupInfo();
    EXPECT_NE(Stored().find("Window Top=1500\nWindow Left=700\n"), std::string::npos);
}

TEST_F(SettingsTest, FailedWritesAreCountedAndTheSaveGoesOn) {
    Load();
    profiles.fail_writes = true;
    const SaveResult result = settings.SaveSetupInfo();
    EXPECT_EQ(result.failed_keys, 46);
    EXPECT_EQ(result.first_error, "disk full");
}

// What a load reads is what a save writes: every key of the first save is read, once each;
// StopEmailAfter, opt in, is read too but saved only once a file has it.
TEST_F(SettingsTest, LoadReadsEveryKeyASaveWrites) {
    std::vector<std::string> read = settings.LoadOrder();
    EXPECT_EQ(read.size(), 77U);
    EXPECT_EQ(read[46], "StopEmailAfter");
    EXPECT_EQ(read.back(), "Latch9");
    read.resize(46);
    std::vector<std::string> saved;
    const std::string first_save = kFirstSave;
    for (std::size_t line = first_save.find('\n') + 1; line < first_save.size();
         line = first_save.find('\n', line) + 1) {
        saved.push_back(first_save.substr(line, first_save.find('=', line) - line));
    }
    std::sort(read.begin(), read.end());
    std::sort(saved.begin(), saved.end());
    EXPECT_EQ(read, saved);
}

// Alarm timing keys come after every other key, only once set, and a key the file had is
// written again even when set back to its default.
TEST_F(SettingsTest, TimingKeysFollowTheOthersOnlyOnceSet) {
    Store("[Quillon]\nOffDelay8=2000\n");
    Load();
    EXPECT_EQ(values.slot_timing[8].off_delay_ms, 2000);
    values.slot_timing[8].off_delay_ms = 0;
    values.slot_timing[0].on_delay_ms = 5000;
    values.slot_timing[9].latch = true;
    settings.SaveSetupInfo();
    const std::string stored = Stored();
    EXPECT_EQ(stored.rfind("[Quillon]\nOffDelay8=0\nMathExpression0=#0>3.3\n", 0), 0U);
    const std::string tail = "KeepAliveEmail=0\nOnDelay0=5000\nLatch9=1\n";
    EXPECT_EQ(stored.substr(stored.size() - tail.size()), tail);
    Load();
    EXPECT_EQ(values.slot_timing[0].on_delay_ms, 5000);
    EXPECT_TRUE(values.slot_timing[9].latch);
    EXPECT_EQ(settings.LoadNotes(), "");
}

struct TimingKeyCase {
    const char* line;
    std::int32_t on_delay_ms;
    std::int32_t off_delay_ms;
    bool latch;
    const char* note;
};

class SettingsTimingKeyTest : public SettingsTest,
                              public ::testing::WithParamInterface<TimingKeyCase> {};

TEST_P(SettingsTimingKeyTest, ReadAsNumbersAndHeldToTheirRange) {
    Store(std::string("[Quillon]\n") + GetParam().line + "\n");
    Load();
    EXPECT_EQ(values.slot_timing[3].on_delay_ms, GetParam().on_delay_ms);
    EXPECT_EQ(values.slot_timing[3].off_delay_ms, GetParam().off_delay_ms);
    EXPECT_EQ(values.slot_timing[3].latch, GetParam().latch);
    EXPECT_EQ(settings.LoadNotes(), GetParam().note);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, SettingsTimingKeyTest,
    ::testing::Values(TimingKeyCase{"OnDelay3= 2500.5 ", 2500, 0, false, ""},
                      TimingKeyCase{"ondelay3=1e3ms", 1000, 0, false, ""},
                      TimingKeyCase{"OnDelay3=-5", 0, 0, false,
                                    "OnDelay3=-5 is outside 0 to 3600000 ms: read as 0"},
                      TimingKeyCase{"OffDelay3=1e9", 0, 3600000, false,
                                    "OffDelay3=1e9 is outside 0 to 3600000 ms: read as 3600000"},
                      TimingKeyCase{"OffDelay3=soon", 0, 0, false, ""},
                      TimingKeyCase{"Latch3=1", 0, 0, true, ""},
                      TimingKeyCase{"Latch3=0", 0, 0, false, ""},
                      TimingKeyCase{"Latch3=2", 0, 0, true, "Latch3=2 is not 0 or 1: read as 1"}),
    [](const auto& info) { return testing::CaseName(info.param.line); });

}  // namespace
}  // namespace quillon
