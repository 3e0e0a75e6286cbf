// SPDX-License-Identifier: MIT
#include "control/alarm_settings_dialogs.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "case_name.hpp"
#include "fakes/recording_prompter.hpp"
#include "fakes/shortest_locale.hpp"

namespace quillon {
namespace {

constexpr char kEmailPrompt[] =
    "Email configuration can be found in WinDaq's add-on menu\r\n\r\nPlease specify the "
    "interval (in minutes) between keep alive emails (0 to disable keep alive) ";

class DialogsTest : public ::testing::Test {
protected:
    OperatorSettings settings;
    RunState run;
    InstanceFacts facts;
    testing::RecordingPrompter prompter;
    testing::ShortestLocale locale;
    AlarmSettingsDialogs dialogs{settings, run, facts, prompter, locale};
};

TEST_F(DialogsTest, TheAlarmDialogAsksForTheFileThenTheInterval) {
    settings.sound_file = "c:\\windows\\media\\ding.wav";
    settings.alarm_interval = 4;
    prompter.answers = {"/sounds/bell.wav", "6"};
    dialogs.AlarmDialog();
    ASSERT_EQ(prompter.asked.size(), 3U);  // the third, the on-delay, cancelled
    EXPECT_EQ(prompter.asked[0].title, "Alarm Configuration");
    EXPECT_EQ(prompter.asked[0].prompt,
              "You may modify the filepath for the Alarm sound (.wav) file");
    EXPECT_EQ(prompter.asked[0].fallback, "c:\\windows\\media\\ding.wav");
    EXPECT_EQ(prompter.asked[1].title, "Alarm Configuration");
    EXPECT_EQ(prompter.asked[1].prompt,
              "Please specify the interval (in seconds) between each alarm");
    EXPECT_EQ(prompter.asked[1].fallback, "4");
    EXPECT_EQ(settings.sound_file, "/sounds/bell.wav");
    EXPECT_EQ(settings.alarm_interval, 6);
}

// After their own questions both dialogs ask for their slot's on-delay, off-delay and latch;
// an empty answer ends the dialog, a value out of range is ignored.
struct TimingDialogCase {
    const char* name;
    bool email;
    std::vector<std::optional<std::string>> timing_answers;
    SlotTimingSettings expected;
};

SlotTimingSettings TimingOf(std::int32_t on_ms, std::int32_t off_ms, bool latch) {
    SlotTimingSettings timing;
    timing.on_delay_ms = on_ms;
    timing.off_delay_ms = off_ms;
    timing.latch = latch;
    return timing;
}

class TimingDialogTest : public DialogsTest,
                         public ::testing::WithParamInterface<TimingDialogCase> {};

TEST_P(TimingDialogTest, SetsTheSlotsDelaysAndLatch) {
    const int slot = GetParam().email ? kEmailSlot : kAudioSlot;
    settings.slot_timing[static_cast<std::size_t>(slot)] = TimingOf(100, 200, false);
    prompter.answers = GetParam().email ? std::vector<std::optional<std::string>>{"10"}
                                        : std::vector<std::optional<std::string>>{"a.wav", "1"};
    const std::size_t before = prompter.answers.size();
    prompter.answers.insert(prompter.answers.end(), GetParam().timing_answers.begin(),
                            GetParam().timing_answers.end());
    GetParam().email ? dialogs.EmailIntervalDialog() : dialogs.AlarmDialog();
    const SlotTimingSettings& got = settings.slot_timing[static_cast<std::size_t>(slot)];
    EXPECT_EQ(got.on_delay_ms, GetParam().expected.on_delay_ms);
    EXPECT_EQ(got.off_delay_ms, GetParam().expected.off_delay_ms);
    EXPECT_EQ(got.latch, GetParam().expected.latch);
    ASSERT_GT(prompter.asked.size(), before);
    EXPECT_EQ(prompter.asked[before].title,
              GetParam().email ? "Email Configuration" : "Alarm Configuration");
    EXPECT_EQ(prompter.asked[before].fallback, "100");
    EXPECT_EQ(settings.slot_timing[static_cast<std::size_t>(17 - slot)].on_delay_ms, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, TimingDialogTest,
    ::testing::Values(
        TimingDialogCase{
            "audio all three", false, {"5000", "2000", "1"}, TimingOf(5000, 2000, true)},
        TimingDialogCase{"email all three", true, {"0", "1500.4", "1"}, TimingOf(0, 1500, true)},
        TimingDialogCase{
            "cancel at the on delay", false, {std::nullopt}, TimingOf(100, 200, false)},
        TimingDialogCase{"cancel at the latch", true, {"7", "8", ""}, TimingOf(7, 8, false)},
        TimingDialogCase{
            "out of range is ignored", false, {"-1", "3600001", "2"}, TimingOf(100, 200, false)},
        TimingDialogCase{"latch off", true, {"100", "200", "0"}, TimingOf(100, 200, false)}),
    [](const auto& info) { return testing::CaseName(info.param.name); });

// A dialog's answer as a test name; no answer at all is a cancelled dialog.
std::string AnswerName(const std::optional<std::string>& answer) {
    return answer ? testing::CaseName(*answer) : "Cancelled";
}

struct EmptyCase {
    std::optional<std::string> answer;
};

class EmptyFileAnswerTest : public DialogsTest, public ::testing::WithParamInterface<EmptyCase> {};

TEST_P(EmptyFileAnswerTest, ChangesNothingAndAsksNoMore) {
    settings.alarm_interval = 4;
    prompter.answers = {GetParam().answer, "9"};
    dialogs.AlarmDialog();
    EXPECT_EQ(prompter.asked.size(), 1U);
    EXPECT_EQ(settings.sound_file, "c:\\windows\\media\\ding.wav");
    EXPECT_EQ(settings.alarm_interval, 4);
}

INSTANTIATE_TEST_SUITE_P(CancelOrEmpty, EmptyFileAnswerTest,
                         ::testing::Values(EmptyCase{std::nullopt}, EmptyCase{""}),
                         [](const auto& info) { return AnswerName(info.param.answer); });

TEST_F(DialogsTest, ABlankPathIsKeptVerbatim) {
    prompter.answers = {"   "};
    dialogs.AlarmDialog();
    EXPECT_EQ(settings.sound_file, "   ");
}

TEST_F(DialogsTest, AnEmptyIntervalKeepsTheNewFile) {
    prompter.answers = {"/new.wav", ""};
    dialogs.AlarmDialog();
    EXPECT_EQ(settings.sound_file, "/new.wav");
    EXPECT_EQ(settings.alarm_interval, 1);
}

struct IntervalCase {
    const char* answer;
    std::int16_t interval;  // from 4
};

class AlarmIntervalTest : public DialogsTest, public ::testing::WithParamInterface<IntervalCase> {};

TEST_P(AlarmIntervalTest, TakesTheLeadingNumberRoundedHalfToEven) {
    settings.alarm_interval = 4;
    prompter.answers = {"/a.wav", GetParam().answer};
    dialogs.AlarmDialog();
    EXPECT_EQ(settings.alarm_interval, GetParam().interval) << GetParam().answer;
}

INSTANTIATE_TEST_SUITE_P(Answers, AlarmIntervalTest,
                         ::testing::Values(IntervalCase{"0", 4}, IntervalCase{"0.4", 4},
                                           IntervalCase{"1", 1}, IntervalCase{"1.5", 2},
                                           IntervalCase{"2.5", 2}, IntervalCase{"3.5", 4},
                                           IntervalCase{"7 s", 7}, IntervalCase{"seconds", 4},
                                           IntervalCase{"-3", 4}, IntervalCase{" 1 2 ", 12},
                                           IntervalCase{"1e1", 10}, IntervalCase{"&H10", 16},
                                           IntervalCase{"&o17", 15}, IntervalCase{"32767", 32767},
                                           IntervalCase{"32767.5", 4}, IntervalCase{"40000", 4},
                                           IntervalCase{"1e400", 4}, IntervalCase{"2,5", 2}),
                         [](const auto& info) { return testing::CaseName(info.param.answer); });

TEST_F(DialogsTest, TheEmailDialogShowsMinutes) {
    settings.email_alarm_interval = 20;
    dialogs.EmailIntervalDialog();
    ASSERT_EQ(prompter.asked.size(), 1U);
    EXPECT_EQ(prompter.asked[0].title, "Email Configuration");
    EXPECT_EQ(prompter.asked[0].prompt, kEmailPrompt);
    EXPECT_EQ(prompter.asked[0].fallback, "10");
}

struct EmailCase {
    const char* separator;
    std::int32_t stored;  // before
    std::optional<std::string> answer;
    std::int32_t interval;
    std::int32_t countdown;  // from 77
    const char* shown_next;
};

class EmailIntervalTest : public DialogsTest, public ::testing::WithParamInterface<EmailCase> {};

TEST_P(EmailIntervalTest, StoresTwiceTheMinutes) {
    const EmailCase& c = GetParam();
    locale.separator = c.separator;
    facts.decimal_separator = c.separator;
    settings.email_alarm_interval = c.stored;
    run.keep_alive_countdown = 77;
    prompter.answers = {c.answer};
    dialogs.EmailIntervalDialog();
    EXPECT_EQ(settings.email_alarm_interval, c.interval);
    EXPECT_EQ(run.keep_alive_countdown, c.countdown);
    dialogs.EmailIntervalDialog();
    EXPECT_EQ(prompter.asked.back().fallback, c.shown_next);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, EmailIntervalTest,
    ::testing::Values(EmailCase{".", 20, "10", 20, 20, "10"}, EmailCase{".", 20, "0", 0, 0, "0"},
                      EmailCase{".", 20, "off", 0, 0, "0"}, EmailCase{".", 20, "-5", 20, 77, "10"},
                      EmailCase{".", 20, "1.25", 2, 2, "1"}, EmailCase{".", 20, "1.75", 4, 4, "2"},
                      EmailCase{".", 5, "2.5", 5, 5, "2.5"},
                      EmailCase{",", 5, "2,5", 5, 5, "2,5"},  // the shown default reads back
                      EmailCase{",", 5, "2.5", 5, 5, "2,5"},
                      EmailCase{".", 20, std::nullopt, 20, 77, "10"},
                      EmailCase{".", 20, "", 20, 77, "10"},
                      EmailCase{".", 20, "&H10", 32, 32, "16"},
                      EmailCase{".", 20, "1073741823.5", 2147483647, 2147483647, "1073741823.5"},
                      EmailCase{".", 20, "1073741824", 20, 77, "10"},  // 2 x does not fit
                      EmailCase{".", 20, "1e300", 20, 77, "10"}),
    [](const auto& info) {
        return testing::CaseName(AnswerName(info.param.answer), info.param.separator);
    });

}  // namespace
}  // namespace quillon
