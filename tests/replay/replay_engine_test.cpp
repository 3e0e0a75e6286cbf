// SPDX-License-Identifier: MIT
#include "replay/replay_engine.hpp"

#include <gtest/gtest.h>

#include <sstream>

#include "fakes/fake_platform.hpp"
#include "fakes/memory_profile_store.hpp"
#include "host/sim/scenario.hpp"
#include "replay/replay_options.hpp"

namespace quillon {
namespace {

using testing::FakeLocale;
using testing::MemoryProfileStore;

sim::Scenario ScenarioFrom(const std::string& text) {
    std::istringstream in(text);
    return sim::ParseScenario(in, "test.scn");
}

// A replay of `scenario` over [from, to] with these settings of the default instance (the
// first of two lines with the same key counts).
struct Replay {
    Replay(sim::Scenario scenario, ReplaySpan span, const std::string& settings)
        : engine(std::move(scenario), span, std::chrono::system_clock::time_point{}, profiles,
                 locale) {
        profiles.files["NorvaneAlarm.ini"] = "[Quillon]\n" + settings;
    }
    MemoryProfileStore profiles;
    FakeLocale locale;
    ReplayEngine engine;
};

constexpr const char* kAllOff =
    "MathExpression0=0\nMathExpression1=0\nMathExpression2=0\nMathExpression3=0\n"
    "MathExpression4=0\nMathExpression5=0\nMathExpression6=0\nMathExpression7=0\n";

// The 1 s alarm timer runs in recording time: AlarmInterval 3 sounds at once, then every 4 s.
TEST(ReplayEngine, AlarmTimingFollowsRecordingTime) {
    Replay replay(ScenarioFrom("channels 1\nchannel 0 steps 2:5\n"), {0.0, 11.0},
                  std::string(kAllOff) + "MathExpression8=#0>1\nS8=Set\nAlarmInterval=3\n");
    replay.engine.Run("");
    const auto& sounds = replay.engine.Sounds();
    ASSERT_EQ(sounds.size(), 3U);
    for (std::size_t i = 0; i < sounds.size(); ++i) {
        EXPECT_NEAR(sounds[i].seconds - sounds[0].seconds, 4.0 * static_cast<double>(i), 1e-9);
    }
    EXPECT_NEAR(sounds[0].seconds, 2.0, 0.0101);
}

// The 30 s keep-alive timer too: interval 1 sends after every quiet half-minute.
TEST(ReplayEngine, KeepAliveFollowsRecordingTime) {
    Replay replay(ScenarioFrom("channels 1\n"), {0.0, 100.0},
                  std::string(kAllOff) +
                      "MathExpression9=#0>1\nS9=Set\nKeepAliveEmail=1\nEmailAlarmInterval=1\n");
    replay.engine.Run("");
    std::vector<double> keep_alives;
    for (const ReplayMoment& email : replay.engine.Emails()) {
        if (email.text.rfind("KeepAlive", 0) == 0) {
            keep_alives.push_back(email.seconds);
        }
    }
    EXPECT_EQ(keep_alives, (std::vector<double>{30.0, 60.0, 90.0}));
}

// A recording shorter than the data window: the statistics see the first scan repeated, as
// live right after the start, and the replay ends with the recording.
TEST(ReplayEngine, ARecordingShorterThanTheDataWindowRunsToItsEnd) {
    std::string csv = "time,level\n";
    for (int row = 0; row < 50; ++row) {
        csv += std::to_string(row / 1000.0) + "," + std::to_string(row) + "\n";
    }
    std::istringstream in(csv);
    auto recording =
        std::make_shared<const sim::Recording>(sim::ParseCsvRecording(in, "short.csv"));
    Replay replay(sim::RecordingScenario(recording, false), {0.0, recording->Seconds()},
                  "MathExpression0=#ave0>5\nDataWindow=100\n" + std::string(kAllOff));
    replay.engine.Run("");
    EXPECT_EQ(replay.engine.Ticks(), 4U);
    EXPECT_TRUE(replay.engine.Messages().empty());
    ASSERT_EQ(replay.engine.Summary().Stops().size(), 1U);
    EXPECT_EQ(replay.engine.Summary().Stops()[0].text, "end of the replay");
    EXPECT_EQ(replay.engine.Summary().Slot(0).switched_on,
              1);  // at 40 ms: (0 + 1 + ... + 40) / 100 > 5
}

// The settings' delays and latches apply in a replay; --ack-after acknowledges each latch after
// it has waited so long. Channel 0 is above 1 for 0.5 s of every 2 s.
struct ReplayTimingCase {
    const char* settings;
    std::optional<double> ack_after;
    int switched_on;
    int latched;
    int acknowledged;
};

class ReplayEngineTiming : public ::testing::TestWithParam<ReplayTimingCase> {};

TEST_P(ReplayEngineTiming, CountsLatchesAndAcknowledgements) {
    Replay replay(ScenarioFrom("channels 1\nchannel 0 square low=0 high=5 period=2 duty=0.25\n"),
                  {0.0, 7.9},
                  "MathExpression3=#0>1\n" + std::string(GetParam().settings) + kAllOff);
    replay.engine.AcknowledgeAfter(GetParam().ack_after);
    replay.engine.Run("");
    const ReplaySummary::SlotRecord& record = replay.engine.Summary().Slot(3);
    EXPECT_EQ(record.switched_on, GetParam().switched_on);
    EXPECT_EQ(record.latched, GetParam().latched);
    EXPECT_EQ(record.acknowledged, GetParam().acknowledged);
}

INSTANTIATE_TEST_SUITE_P(
    Settings, ReplayEngineTiming,
    ::testing::Values(ReplayTimingCase{"", std::nullopt, 4, 0, 0},
                      ReplayTimingCase{"OnDelay3=600\n", std::nullopt, 0, 0, 0},
                      ReplayTimingCase{"OffDelay3=1600\n", std::nullopt, 1, 0, 0},
                      ReplayTimingCase{"Latch3=1\n", std::nullopt, 1, 1, 0},
                      ReplayTimingCase{"Latch3=1\n", 1.0, 4, 4, 4},
                      ReplayTimingCase{"Latch3=1\n", 0.2, 4, 4, 4}));

TEST(ReplayEngine, TheSummaryListsLatchesOnlyWhenThereWereAny) {
    const auto summary = [](const std::string& settings) {
        Replay replay(ScenarioFrom("channels 1\nchannel 0 steps 1:5 2:0\n"), {0.0, 3.0},
                      "MathExpression3=#0>1\n" + settings + kAllOff);
        replay.engine.AcknowledgeAfter(1.5);
        replay.engine.Run("");
        return replay.engine.Summary().Text("t", 0.0, 3.0, {}, {}, {});
    };
    EXPECT_EQ(summary("").find("Latched"), std::string::npos);
    EXPECT_NE(summary("Latch3=1\n")
                  .find("\nLatched alarms:\n  DOUT 3: latched 1 time, "
                        "acknowledged 1\n"),
              std::string::npos);
}

TEST(ReplayOptions, AckAfterTakesSeconds) {
    EXPECT_EQ(ParseReplayOptions({"r.csv", "--ack-after", "2.5"}).ack_after, 2.5);
    EXPECT_FALSE(ParseReplayOptions({"r.csv"}).ack_after);
    try {
        ParseReplayOptions({"r.csv", "--ack-after", "soon"});
        FAIL() << "accepted";
    } catch (const std::invalid_argument& error) {
        EXPECT_EQ(std::string(error.what()), "--ack-after takes seconds, not \"soon\"");
    }
}

TEST(ReplayEngine, AnEquationRefusedAtStartSaysWhy) {
    Replay replay(ScenarioFrom("channels 1\n"), {0.0, 1.0}, "MathExpression0=#7>1\n");
    try {
        replay.engine.Run("");
        FAIL() << "ran";
    } catch (const std::runtime_error& error) {
        EXPECT_EQ(std::string(error.what()),
                  "the run did not start: Channel(s) not found in Windaq (#7>1)");
    }
}

}  // namespace
}  // namespace quillon
