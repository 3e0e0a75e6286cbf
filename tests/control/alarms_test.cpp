// SPDX-License-Identifier: MIT
#include "control/alarms.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "case_name.hpp"
#include "fakes/fake_platform.hpp"
#include "fakes/recording_launcher.hpp"
#include "fakes/recording_sound_player.hpp"
#include "fakes/scripted_host.hpp"
#include "fakes/shortest_locale.hpp"

namespace quillon {
namespace {

using namespace std::chrono;

class AlarmsTest : public ::testing::Test {
protected:
    AlarmsTest() {
        setenv("TZ", "UTC", 1);
        tzset();
        clock.wall = sys_days{year{2026} / 12 / 8} + hours{14} + minutes{3} + seconds{7};
        settings.sound_file = "/sounds/alarm.wav";
        run.sound_flags = 3;
        facts.instrument_model = 710;
        facts.host_id = "Line 3";
        facts.sender_suffix = "@Night_Shift ";
    }

    Panel panel;
    InstanceFacts facts;
    OperatorSettings settings;
    RunState run;
    testing::ScriptedHost host;
    testing::RecordingSoundPlayer sound;
    testing::RecordingLauncher launcher;
    testing::ShortestLocale locale;
    testing::FakeClock clock;
    Alarms alarms{panel, facts, settings, run, {host, sound, launcher, locale, clock}};
};

struct TimingCase {
    std::int16_t interval;
    int seconds;
    std::vector<int> sounds_at;
};

class AlarmTimingTest : public AlarmsTest, public ::testing::WithParamInterface<TimingCase> {};

// A lasting alarm: the scan cycle starts it on every 10 ms tick, Timer2 ticks once a second.
TEST_P(AlarmTimingTest, RepeatsEveryIntervalPlusOneSecond) {
    settings.alarm_interval = GetParam().interval;
    std::vector<int> sounds_at;
    for (int ms = 0; ms < GetParam().seconds * 1000; ms += 10) {
        if (ms > 0 && ms % 1000 == 0) {
            alarms.AlarmTick();
        }
        alarms.StartAudioAlarm();
        while (sounds_at.size() < sound.played.size()) {
            sounds_at.push_back(ms / 1000);
        }
    }
    EXPECT_EQ(sounds_at, GetParam().sounds_at);
}

INSTANTIATE_TEST_SUITE_P(
    Intervals, AlarmTimingTest,
    ::testing::Values(TimingCase{0, 5, {0, 1, 2, 3, 4}}, TimingCase{1, 7, {0, 2, 4, 6}},
                      TimingCase{3, 10, {0, 4, 8}}, TimingCase{-4, 4, {0, 1, 2, 3}}),
    [](const auto& info) { return testing::CaseName("Interval", info.param.interval); });

TEST_F(AlarmsTest, PlaysTheSoundFileWithItsFlags) {
    alarms.StartAudioAlarm();
    ASSERT_EQ(sound.played.size(), 1U);
    EXPECT_EQ(sound.played[0].path, "/sounds/alarm.wav");
    EXPECT_EQ(sound.played[0].flags, 3);
    EXPECT_TRUE(panel.AlarmTimerEnabled());
    EXPECT_EQ(alarms.AlarmCountdown(), 1);
}

TEST_F(AlarmsTest, AnAlarmThatEndsAndStartsWithinOnePeriodSoundsAgainAtOnce) {
    settings.alarm_interval = 3;
    alarms.StartAudioAlarm();
    alarms.StartAudioAlarm();
    EXPECT_EQ(sound.played.size(), 1U);
    alarms.StopAudioAlarm();
    EXPECT_FALSE(panel.AlarmTimerEnabled());
    alarms.StartAudioAlarm();
    EXPECT_EQ(sound.played.size(), 2U);
    EXPECT_EQ(alarms.AlarmCountdown(), 3);
}

TEST_F(AlarmsTest, AStoppedAlarmDoesNotRepeat) {
    settings.alarm_interval = 0;
    alarms.StartAudioAlarm();
    alarms.StopAudioAlarm();
    alarms.AlarmTick();
    alarms.AlarmTick();
    EXPECT_EQ(sound.played.size(), 1U);
}

TEST_F(AlarmsTest, ANewIntervalTakesEffectAtTheNextReload) {
    settings.alarm_interval = 1;
    alarms.StartAudioAlarm();
    settings.alarm_interval = 5;
    alarms.AlarmTick();  // 1 -> 0
    EXPECT_EQ(sound.played.size(), 1U);
    alarms.AlarmTick();  // plays, reloads 5
    EXPECT_EQ(sound.played.size(), 2U);
    EXPECT_EQ(alarms.AlarmCountdown(), 5);
}

class AlarmEmailTest : public AlarmsTest {
protected:
    AlarmEmailTest() {
        panel.SetEquation(kEmailSlot, "#0 > 2 and #2 < 1");
        host.channels = {{10.0, -10.0, "Volts in"}, {10.0, -10.0, "Temp"}, {0.5, -0.2, "Small"}};
        run.tokens.history_depth = 2;
        block.Resize(3, 3);
        const std::vector<double> current = {3.14159265, 12.5, 0.123456789};
        for (int channel = 0; channel < 3; ++channel) {
            block.Set(channel, 0, 99.0);  // the oldest scan: never shown
            block.Set(channel, 2, current[static_cast<std::size_t>(channel)]);
        }
    }

    const testing::RecordingLauncher::Launched& OnlyLaunch() {
        EXPECT_EQ(launcher.launched.size(), 1U);
        return launcher.launched.at(0);
    }

    SampleBlock block;
};

TEST_F(AlarmEmailTest, SendsTheMessageOfTheCurrentSamples) {
    EXPECT_FALSE(alarms.SendAlarmEmail(block).has_value());
    const auto& launch = OnlyLaunch();
    EXPECT_EQ(launch.program, "pellomar");
    const std::vector<std::string> expected = {
        "Global", "Norvane", "Alarm@Night_Shift",
        "14:03:07<br>DI710#Line_3<br>#0_>_2_and_#2_<_1<br><br>"
        "#0=3.1416_Volts_in<br>#1=12.5_Temp<br>#2=0.12345679_Small<br>"};
    EXPECT_EQ(launch.arguments, expected);
}

TEST_F(AlarmEmailTest, ReadsTheRangesSecondFirstAndTheLargerOneAgain) {
    host.channels = {{10.0, -10.0, "tie"}, {10.0, -20.0, "lower"}, {5.0, 2.0, "upper"}};
    alarms.SendAlarmEmail(block);
    const std::vector<std::string> expected = {"2",   "7:0",  "6:0", "6:0", "21:0", "7:1", "6:1",
                                               "7:1", "21:1", "7:2", "6:2", "6:2",  "21:2"};
    EXPECT_EQ(host.calls, expected);
}

TEST_F(AlarmEmailTest, UsesTheLocaleDecimalSeparator) {
    locale.separator = ",";
    facts.decimal_separator = ",";
    alarms.SendAlarmEmail(block);
    EXPECT_NE(OnlyLaunch().arguments[3].find("#0=3,1416_Volts_in<br>#1=12,5_Temp<br>"
                                             "#2=0,12345679_Small<br>"),
              std::string::npos);
}

TEST_F(AlarmEmailTest, AnEmptySenderIdGivesTheBareEventWord) {
    facts.sender_suffix = " ";
    alarms.SendAlarmEmail(block);
    EXPECT_EQ(OnlyLaunch().arguments[2], "Alarm");
}

TEST_F(AlarmEmailTest, RepeatedFailedLaunchesSayHowManyAndWhen) {
    launcher.failure = "The program pellomar was not found";
    EXPECT_EQ(alarms.SendAlarmEmail(block),
              std::optional<std::string>("Alarm e-mail not sent at 14:03:07: The program "
                                         "pellomar was not found"));
    clock.wall += minutes{2};
    EXPECT_EQ(alarms.SendAlarmEmail(block),
              std::optional<std::string>("Alarm e-mail not sent at 14:05:07: The program "
                                         "pellomar was not found (2 e-mails not sent so far)"));
}

// The scan cycle stops the run on it and keeps the e-mail armed.
TEST_F(AlarmEmailTest, AHostThatDoesNotAnswerThrows) {
    host.fail_texts = true;
    try {
        alarms.SendAlarmEmail(block);
        FAIL() << "sent";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(),
                     "Alarm e-mail not sent: the host did not answer: no channel text");
    }
    EXPECT_TRUE(launcher.launched.empty());
}

TEST_F(AlarmEmailTest, AShortBlockShowsItsNewestScan) {
    run.tokens.history_depth = 5;
    alarms.SendAlarmEmail(block);
    EXPECT_NE(OnlyLaunch().arguments[3].find("#1=12.5_Temp"), std::string::npos);
}

struct ExitCase {
    int switch_position;
    bool sent;
};

class HostExitTest : public AlarmsTest, public ::testing::WithParamInterface<ExitCase> {};

TEST_P(HostExitTest, SendsUnlessTheEmailSlotIsForcedOff) {
    panel.SetSwitchPosition(kEmailSlot, GetParam().switch_position);
    EXPECT_FALSE(alarms.SendHostExitNotice().has_value());
    if (!GetParam().sent) {
        EXPECT_TRUE(launcher.launched.empty());
        return;
    }
    ASSERT_EQ(launcher.launched.size(), 1U);
    const std::vector<std::string> expected = {
        "Global", "Norvane", "WinDaq_Exits@Night_Shift",
        "12-08-202614:03:07<br>WinDaq_ID=Line_3<br>Devce=710<br>"};
    EXPECT_EQ(launcher.launched[0].program, "pellomar");
    EXPECT_EQ(launcher.launched[0].arguments, expected);
}

INSTANTIATE_TEST_SUITE_P(Positions, HostExitTest,
                         ::testing::Values(ExitCase{1, true}, ExitCase{2, true},
                                           ExitCase{3, false}),
                         [](const auto& info) {
                             return testing::CaseName("Position", info.param.switch_position);
                         });

TEST_F(AlarmsTest, AFailedExitLaunchIsReported) {
    launcher.failure = "no agent";
    EXPECT_EQ(alarms.SendHostExitNotice(),
              std::optional<std::string>("Exit e-mail not sent at 14:03:07: no agent"));
}

struct AgentEndCase {
    std::string name;
    std::string event_word;
    bool exited;
    int status;
    std::string status_line;
};

class AgentEndTest : public AlarmsTest, public ::testing::WithParamInterface<AgentEndCase> {};

TEST_P(AgentEndTest, PutsTheAgentsOutcomeInTheStatusLine) {
    const AgentEndCase& end = GetParam();
    const std::optional<std::string> line = alarms.AgentFinished(
        {kMailAgentProgram, {"Global", "Norvane", end.event_word, "x"}, end.exited, end.status});
    ASSERT_TRUE(line);
    EXPECT_EQ(*line, end.status_line);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AgentEndTest,
    ::testing::Values(
        AgentEndCase{"AlarmQueued", "Alarm@Night_Shift", true, 0, "Alarm e-mail queued (14:03:07)"},
        AgentEndCase{"ExitQueued", "WinDaq_Exits", true, 0, "Exit e-mail queued (14:03:07)"},
        AgentEndCase{"KeepAliveQueued", "KeepAlive", true, 0,
                     "Keep-alive e-mail queued (14:03:07)"},
        AgentEndCase{"SettingsIncomplete", "Alarm", true, 3,
                     "Alarm e-mail queued, but it cannot leave: the [Mail] section of "
                     "pellomar.ini is missing or incomplete (pellomar --status says what) "
                     "(14:03:07)"},
        AgentEndCase{"Killed", "Alarm", false, 9,
                     "Alarm e-mail not known: the agent was ended by signal 9 (14:03:07)"},
        AgentEndCase{"UnknownStatus", "Alarm", true, 42,
                     "Alarm e-mail not sent: the agent ended with status 42 (14:03:07)"}),
    [](const ::testing::TestParamInfo<AgentEndCase>& info) { return info.param.name; });

TEST_F(AlarmsTest, OtherProgramsEndingSayNothing) {
    EXPECT_FALSE(alarms.AgentFinished({"player", {}, true, 1}));
}

// Timer3 ticks every 30 s; Start loads the countdown, a true e-mail equation reloads it.
class KeepAliveTest : public AlarmsTest {
protected:
    KeepAliveTest() {
        settings.keep_alive_email = 1;
        settings.email_alarm_interval = 1;  // 30 s
        host.channels.resize(2);
        run.StartKeepAlive(settings.KeepAliveStart());
    }
    // The keep-alives sent in this many ticks, with the equation true between ticks or not.
    std::size_t SentIn(int ticks, bool equation_true = false) {
        for (int tick = 0; tick < ticks; ++tick) {
            if (equation_true) {
                run.ReloadKeepAlive(settings.KeepAliveStart());
            }
            alarms.KeepAliveTick(block, true);
        }
        return launcher.launched.size();
    }
    SampleBlock block;
};

TEST_F(KeepAliveTest, SendsOneAfterAQuietIntervalWithTheNewestSamples) {
    EXPECT_EQ(SentIn(1), 1U);
    const std::vector<std::string>& arguments = launcher.launched[0].arguments;
    EXPECT_EQ(arguments[2], "KeepAlive@Night_Shift");
    EXPECT_EQ(arguments[3].rfind("14:03:07<br>DI710#Line_3<br>Run_going<br><br>#0=", 0), 0U)
        << arguments[3];
    EXPECT_NE(arguments[3].find("#1="), std::string::npos);
    EXPECT_EQ(SentIn(1), 2U);  // and again after the next quiet half-minute
}

TEST_F(KeepAliveTest, CountsTheWholeIntervalDown) {
    settings.email_alarm_interval = 4;  // 2 minutes
    run.StartKeepAlive(settings.KeepAliveStart());
    EXPECT_EQ(SentIn(3), 0U);
    EXPECT_EQ(SentIn(1), 1U);
}

TEST_F(KeepAliveTest, SendsNoneWhileTheEmailEquationIsTrue) {
    EXPECT_EQ(SentIn(10, true), 0U);
}

TEST_F(KeepAliveTest, SendsNoneUnlessSwitchedOnAndTheIntervalIsAboveZero) {
    settings.keep_alive_email = 0;
    EXPECT_EQ(SentIn(10), 0U);
    settings.keep_alive_email = 1;
    settings.email_alarm_interval = 0;
    EXPECT_EQ(SentIn(10), 0U);
}

}  // namespace
}  // namespace quillon
