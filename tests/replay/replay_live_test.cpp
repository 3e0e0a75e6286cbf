// SPDX-License-Identifier: MIT
// The proof that a replay is the live cycle, on virtual clocks: a live run as the front ends
// wire it (the simulated instrument on the run's clock, the timer loop) and a replay of the
// same scenario switch the same slots the same way at the same ticks, and write the same words.
#include <gtest/gtest.h>

#include <sstream>
#include <tuple>

#include "app/application.hpp"
#include "app/timer_loop.hpp"
#include "fakes/fake_ports.hpp"
#include "host/sim/simulated_instrument.hpp"
#include "replay/replay_engine.hpp"
#include "replay/rig_scenario.hpp"

namespace quillon {
namespace {

using testing::kRigScenario;
using testing::kRigSettings;

constexpr double kSeconds = 20.0;

sim::Scenario Scenario() {
    std::istringstream in(kRigScenario);
    return sim::ParseScenario(in, "rig.scn");
}

// (tick, slot, new state) of every slot change; (tick, word) of every output write.
using SlotEvent = std::tuple<std::uint64_t, int, std::string>;
using WordEvent = std::tuple<std::uint64_t, std::int16_t>;

class CycleRecord final : public NoEventSink {
public:
    void TickStarted(std::uint64_t tick) override { tick_ = tick; }
    void SlotChanged(const SlotChange& change) override {
        slots.emplace_back(tick_, change.slot, std::string(change.new_state));
    }
    void OutputWritten(const OutputWrite& write) override { words.emplace_back(tick_, write.word); }

    std::vector<SlotEvent> slots;
    std::vector<WordEvent> words;

private:
    std::uint64_t tick_ = 0;
};

// A live run on a clock that moves only when waited on: the instrument is made some time
// before the Start, as a front end makes it, and its scenario time counts from the Start.
CycleRecord LiveRun() {
    testing::FakePorts ports;
    ports.profiles.files["NorvaneAlarm.ini"] = kRigSettings;
    ports.clock.monotonic += std::chrono::hours(30);  // the steady clock is not at 0
    const auto made = ports.clock.Monotonic();
    sim::SimulatedInstrument instrument(Scenario(), [&ports, made] {
        return std::chrono::duration<double>(ports.clock.Monotonic() - made).count();
    });
    ports.clock.SleepUntil(made + std::chrono::milliseconds(1234));  // start-up takes a while
    CycleRecord record;
    Application application(ports.With(instrument));
    application.SetEventSink(&record);
    application.Load("-dsim:rig.scn -nRig");
    const auto start = ports.clock.Monotonic();
    TimerLoop(application, ports.clock, [&] {
        instrument.Service();
        application.AgentsFinished();
    }).Run([&] {
        return ports.clock.Monotonic() - start >= std::chrono::duration<double>(kSeconds);
    });
    application.SetEventSink(nullptr);
    return record;
}

CycleRecord Replayed() {
    testing::MemoryProfileStore profiles;
    profiles.files["NorvaneAlarm.ini"] = kRigSettings;
    testing::FakeLocale locale;
    ReplayEngine engine(Scenario(), {0.0, kSeconds}, std::chrono::system_clock::time_point{},
                        profiles, locale);
    CycleRecord record;
    engine.AddSink(&record);
    engine.Run("Rig");
    return record;
}

TEST(LiveAgainstReplay, SwitchesTheSameSlotsAtTheSameTicks) {
    const CycleRecord live = LiveRun();
    const CycleRecord replay = Replayed();
    // The replay ends with a Stop at the span's end, which the live run never reached.
    std::vector<WordEvent> replay_words = replay.words;
    std::erase_if(replay_words, [](const WordEvent& w) { return std::get<0>(w) >= 2000; });
    ASSERT_GT(live.slots.size(), 50U);
    EXPECT_GE(std::get<0>(live.slots.back()), 1900U);  // the whole 20 s were compared
    EXPECT_EQ(live.slots, replay.slots);
    EXPECT_EQ(live.words, replay_words);
}

}  // namespace
}  // namespace quillon
