// SPDX-License-Identifier: MIT
// The timing keys through the whole cycle: modes, the e-mail slot, acknowledgement and Start,
// on the simulated instrument tick by tick.
#include <gtest/gtest.h>

#include <optional>
#include <sstream>

#include "app/application.hpp"
#include "case_name.hpp"
#include "fakes/fake_ports.hpp"
#include "host/sim/simulated_instrument.hpp"

namespace quillon {
namespace {

// Channel 0 is 5 (above 3.3) from 0.1 s to 0.3 s and from 0.5 s to 0.7 s, 0 otherwise.
constexpr const char* kTwoPulses = "channels 1\nchannel 0 steps 0:0 0.1:5 0.3:0 0.5:5 0.7:0\n";

struct CycleCase {
    const char* name;
    int slot;
    const char* settings;
    // One character for each 100 ms step: '.' nothing, 'a' "ack all" before the step, 's' a
    // Stop and Start before it.
    const char* actions;
    // The slot's lamp at 0.15 s, 0.25 s, ... after each step: '1' red, '0' green.
    const char* lamps;
    int emails;
};

class SlotTimingCycleTest : public ::testing::TestWithParam<CycleCase> {
protected:
    double now_ = 0.0;
    std::optional<sim::SimulatedInstrument> host_;
    testing::FakePorts ports_;
    std::optional<Application> application_;

    void RunTo(double seconds) {
        while (now_ < seconds - 1e-9) {
            now_ += 0.01;
            application_->ScanTick();
        }
    }
};

TEST_P(SlotTimingCycleTest, LampPerStep) {
    std::istringstream scenario(kTwoPulses);
    host_.emplace(sim::ParseScenario(scenario, "test"), [this] { return now_; });
    ports_.StoreSettings(std::string("MathExpression") + std::to_string(GetParam().slot) +
                         "=#0>3.3\n" + GetParam().settings);
    application_.emplace(ports_.With(*host_));
    application_->Load("");
    RunTo(0.05);
    std::string lamps;
    const std::string actions = GetParam().actions;
    for (std::size_t step = 0; step < actions.size(); ++step) {
        if (actions[step] == 'a') {
            application_->Acknowledge(Application::kAllSlots, AckSource::Console);
        } else if (actions[step] == 's') {
            application_->StartStopClicked();
            application_->StartStopClicked();
        }
        RunTo(0.05 + 0.1 * static_cast<double>(step + 1));
        lamps += application_->GetPanel().Slot(GetParam().slot).lamp == kLampActive ? '1' : '0';
    }
    EXPECT_EQ(lamps, GetParam().lamps);
    EXPECT_EQ(static_cast<int>(ports_.launcher.launched.size()), GetParam().emails);
}

INSTANTIATE_TEST_SUITE_P(
    Settings, SlotTimingCycleTest,
    ::testing::Values(
        CycleCase{"Set follows the equation", 3, "", "........", "11001100", 0},
        CycleCase{"Reset delays its negation", 8, "S8=Reset\nOnDelay8=120\n", "........",
                  "00010001", 0},
        CycleCase{"Set with an on delay", 3, "OnDelay3=120\n", "........", "01000100", 0},
        CycleCase{"Set with an off delay", 3, "OffDelay3=120\n", "........", "11101110", 0},
        CycleCase{"a latch holds until acknowledged", 3, "Latch3=1\n", "...a....", "11101111", 0},
        CycleCase{"a Start begins the on delay again", 3, "OnDelay3=150\n", ".s......", "00000100",
                  0},
        CycleCase{"Force Set bypasses the on delay", 3, "S3=Force Set\nOnDelay3=5000\n", "........",
                  "11111111", 0},
        CycleCase{"e-mail once per true spell", 9, "S9=Set\n", "........", "11001100", 2},
        CycleCase{"a latched e-mail sends once per latch", 9, "S9=Set\nLatch9=1\n", "........",
                  "11111111", 1},
        CycleCase{"acknowledged while true, the e-mail waits for the next spell", 9,
                  "S9=Set\nLatch9=1\n", ".a......", "11001111", 2},
        CycleCase{"the audio alarm holds through its off delay", 8, "S8=Set\nOffDelay8=250\n",
                  "........", "11111111", 0}),
    [](const auto& info) { return testing::CaseName(info.param.name); });

}  // namespace
}  // namespace quillon
