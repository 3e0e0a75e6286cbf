// SPDX-License-Identifier: MIT
#include "replay/replay_engine.hpp"

#include <gtest/gtest.h>

#include <sstream>

#include "fakes/fake_platform.hpp"
#include "fakes/memory_profile_store.hpp"
#include "host/sim/scenario.hpp"

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
