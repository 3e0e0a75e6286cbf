// SPDX-License-Identifier: MIT
// The real core driven through the simulated instrument, tick by tick on a fake clock.
#include <gtest/gtest.h>

#include <sstream>

#include "app/application.hpp"
#include "case_name.hpp"
#include "fakes/fake_ports.hpp"
#include "fakes/recording_host.hpp"
#include "host/sim/simulated_instrument.hpp"

namespace quillon {
namespace {

sim::Scenario Scenario(const std::string& text) {
    std::istringstream in(text);
    return sim::ParseScenario(in, "test");
}

class ScanCycleTest : public ::testing::Test {
protected:
    void Start(const std::string& scenario, const std::string& settings = "") {
        host_.emplace(Scenario(scenario), [this] { return now_; });
        host_->SetOutputListener([this](double, std::int16_t word) { words_.push_back(word); });
        ports_.StoreSettings(settings);
        application_.emplace(ports_.With(*host_));
        application_->Load("");
    }
    // Runs the timer for `seconds` of scenario time, 10 ms a tick.
    void RunFor(double seconds) {
        for (const double end = now_ + seconds - 1e-9; now_ < end;) {
            now_ += 0.01;
            application_->ScanTick();
        }
    }
    std::vector<int> Words() const { return words_; }
    Panel& panel() { return application_->GetPanel(); }

    double now_ = 0.0;
    std::vector<int> words_;  // every output word the instrument took
    std::optional<sim::SimulatedInstrument> host_;
    testing::FakePorts ports_;
    std::optional<Application> application_;
};

constexpr const char* kStepScenario =
    "channels 1\nchannel 0 steps 0:1 0.5:5 1:1\nidentification \"%s\"\n";

std::string StepScenario(const std::string& identification) {
    std::string text = kStepScenario;
    text.replace(text.find("%s"), 2, identification);
    return text;
}

struct LayoutCase {
    const char* identification;
    std::vector<int> words;
};

class ScanCycleLayoutTest : public ScanCycleTest,
                            public ::testing::WithParamInterface<LayoutCase> {};

TEST_P(ScanCycleLayoutTest, WritesTheFirstTickThenOnlyChanges) {
    Start(StepScenario(GetParam().identification));
    RunFor(1.5);
    EXPECT_EQ(Words(), GetParam().words);
    EXPECT_EQ(panel().Slot(0).lamp, kLampInactive);
}

INSTANTIATE_TEST_SUITE_P(Layouts, ScanCycleLayoutTest,
                         ::testing::Values(LayoutCase{"DI-2108", {0, 255, 0}},
                                           LayoutCase{"DI7xx", {0, -256, 0}}),
                         [](const auto& info) {
                             return testing::CaseName(info.param.identification);
                         });

TEST_F(ScanCycleTest, ModesDecideEverySlotAndDisabledSelectorsAreSkipped) {
    Start("channels 1\nchannel 0 constant value=5\n");
    RunFor(0.01);
    EXPECT_EQ(Words(), std::vector<int>{255});
    const std::vector<std::pair<int, const char*>> modes = {
        {0, "Force Set"}, {1, "Force Reset"}, {2, "Set"}, {3, "Reset"},
        {4, ""},          {6, "set"},         {8, "Set"}, {9, "Reset"}};
    for (const auto& [slot, mode] : modes) {
        panel().SetMode(slot, mode);
    }
    panel().SetModeEnabled(5, false);
    panel().SetEquation(7, "0");  // Start is not pressed again: the text is read every tick
    RunFor(0.01);
    // Bits: 0 forced on, 1 forced off, 2 true, 3 and 4 and 6 negated, 5 untouched, 7 false.
    EXPECT_EQ(Words(), (std::vector<int>{255, 0b00100101}));
    EXPECT_EQ(panel().Slot(3).lamp, kLampInactive);
    EXPECT_EQ(panel().Slot(5).lamp, kLampActive);
    EXPECT_EQ(panel().Slot(8).lamp, kLampActive);
    EXPECT_EQ(panel().Slot(9).lamp, kLampInactive);
}

// The window keeps only the channels the equations take statistics of: an equation edited
// during the run is read from a window that holds its new channel.
TEST_F(ScanCycleTest, AnEquationEditedDuringTheRunReadsItsNewChannelsWindow) {
    Start("channels 2\nchannel 0 constant value=5\nchannel 1 constant value=-5\n",
          "MathExpression0=#max0>0\n");
    RunFor(0.05);
    ASSERT_EQ(panel().Slot(0).lamp, kLampActive);
    panel().SetEquation(0, "#max1>0");
    RunFor(0.05);
    EXPECT_EQ(panel().Slot(0).lamp, kLampInactive);
    panel().SetEquation(0, "#min0>4");
    RunFor(0.05);
    EXPECT_EQ(panel().Slot(0).lamp, kLampActive);
}

TEST_F(ScanCycleTest, ManualModeDrivesTheOutputsThroughTheManualWordOnly) {
    Start("channels 1\nchannel 0 constant value=5\n", "S0=Force Set\nS1=Force Reset\n");
    application_->StartStopClicked();
    panel().SetMathMode(0);
    application_->StartStopClicked();
    ASSERT_TRUE(Words().empty());
    RunFor(0.05);
    // D0 went on once: the manual word, forced after Start; the cycle's word never goes out.
    EXPECT_EQ(Words(), std::vector<int>{1});
    EXPECT_EQ(panel().Slot(0).manual_output, 1);
    EXPECT_EQ(panel().Slot(1).manual_output, 0);
    EXPECT_EQ(panel().Slot(0).lamp, kLampActive);
    EXPECT_EQ(panel().Slot(1).lamp, kLampInactive);
    EXPECT_EQ(panel().Slot(2).lamp, kLampNeutral);
}

TEST_F(ScanCycleTest, AFailingEquationStopsTheRunAndItsTickWritesNothing) {
    Start("channels 1\nchannel 0 steps 0:20 0.5:5\n",
          "MathExpression0=#0<10\nMathExpression1=#0<10\nMathExpression2=#0<10\n"
          "MathExpression3=sqrt(#0-10)\nMathExpression4=0\nMathExpression5=0\n"
          "MathExpression6=0\nMathExpression7=0\n");
    RunFor(1.0);
    EXPECT_EQ(Words(), std::vector<int>{8});
    EXPECT_EQ(panel().StartStopCaption(), "Start");
    EXPECT_EQ(
        ports_.prompter.messages,
        std::vector<std::string>{"Error in equation for D3. Please fix the error and start again"});
    EXPECT_NE(panel().Status().find("D3"), std::string::npos);
    panel().SetEquation(3, "1");
    application_->StartStopClicked();
    RunFor(0.01);
    EXPECT_EQ(Words(), (std::vector<int>{8, 15}));
    EXPECT_EQ(panel().Status(), "");
}

struct AudioAlarmCase {
    const char* settings;
    bool manual;
    std::size_t sounds;
    bool repeating;  // Timer2
};

class AudioAlarmTest : public ScanCycleTest,
                       public ::testing::WithParamInterface<AudioAlarmCase> {};

// Slot 9 in "Force Reset" (its default) silences the audio alarm only when slot 8 did not
// start or keep it in the same tick; otherwise every tick would play it anew.
TEST_P(AudioAlarmTest, TheEmailSlotForcedOffLeavesARunningAlarmAlone) {
    Start("channels 1\nchannel 0 constant value=5\n", GetParam().settings);
    if (GetParam().manual) {
        application_->StartStopClicked();
        panel().SetMathMode(0);
        application_->StartStopClicked();
    }
    RunFor(0.5);
    EXPECT_EQ(ports_.sound.played.size(), GetParam().sounds);
    EXPECT_EQ(panel().AlarmTimerEnabled(), GetParam().repeating);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, AudioAlarmTest,
    ::testing::Values(
        AudioAlarmCase{"MathExpression8=1\nS8=Set\nS9=Force Reset\n", false, 1, true},
        AudioAlarmCase{"MathExpression8=0\nS8=Reset\nS9=Force Reset\n", false, 1, true},
        AudioAlarmCase{"S8=Force Set\nS9=Force Reset\n", false, 1, true},
        AudioAlarmCase{"MathExpression8=0\nS8=Set\nS9=Force Reset\n", false, 0, false},
        AudioAlarmCase{"S8=Force Set\nS9=Force Reset\n", true, 1, true}),
    [](const auto& info) {
        return testing::CaseName(info.param.settings, info.param.manual ? "Manual" : "Automatic");
    });

TEST(AlarmEmailHostFailureTest, StopsTheRunAndKeepsTheEmailArmed) {
    testing::RecordingHost host;
    host.block = SampleBlock(4, 1);
    host.fail_texts = true;
    testing::FakePorts ports;
    ports.StoreSettings("MathExpression9=1\nS9=Set\n");
    Application application(ports.With(host));
    application.Load("");
    application.ScanTick();
    EXPECT_FALSE(application.GetPanel().ScanTimerEnabled());
    EXPECT_EQ(ports.prompter.messages,
              std::vector<std::string>{"The scan cycle stopped: Alarm e-mail not sent: the host "
                                       "did not answer: no channel text"});
    EXPECT_TRUE(ports.launcher.launched.empty());
    host.fail_texts = false;
    application.StartStopClicked();
    application.ScanTick();
    EXPECT_EQ(ports.launcher.launched.size(), 1U);
}

struct FaultCase {
    const char* fault;
    bool message;
    const char* status;  // part of the status line
};

class ScanCycleFaultTest : public ScanCycleTest, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(ScanCycleFaultTest, HostFaultsStopTheRunVisibly) {
    Start(std::string("channels 1\nchannel 0 constant value=5\n") + GetParam().fault + "\n");
    RunFor(0.5);
    EXPECT_EQ(panel().StartStopCaption(), "Start");
    EXPECT_FALSE(panel().ScanTimerEnabled());
    EXPECT_NE(panel().Status().find(GetParam().status), std::string::npos) << panel().Status();
    EXPECT_EQ(ports_.prompter.messages.size(), GetParam().message ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(Faults, ScanCycleFaultTest,
                         ::testing::Values(FaultCase{"fail-reads-from 0.2", false,
                                                     "host read failed"},
                                           // The host's fault, though no equation reads a sample.
                                           FaultCase{"short-blocks-from 0.2 scans=0", false,
                                                     "host read failed: the host returned 0 "
                                                     "scans where 1 were asked for"}),
                         [](const auto& info) { return testing::CaseName(info.param.fault); });

class RecordedReadsTest : public ::testing::Test {
protected:
    std::vector<std::string> ReadsOfOneTick(const std::string& settings) {
        host_.block = SampleBlock(4, 200);
        ports_.StoreSettings(settings);
        Application application(ports_.With(host_));
        application.Load("");
        host_.calls.clear();
        application.ScanTick();
        std::vector<std::string> reads;
        for (const std::string& call : host_.calls) {
            if (call.rfind("20:", 0) == 0) {
                reads.push_back(call);
            }
        }
        return reads;
    }

    testing::RecordingHost host_;
    testing::FakePorts ports_;
};

TEST_F(RecordedReadsTest, HistoryAndStatisticsDecideWhatEachTickReads) {
    EXPECT_EQ(ReadsOfOneTick(""), std::vector<std::string>{"20:1"});
    EXPECT_EQ(ReadsOfOneTick("MathExpression2=#C0>0\nMathExpression9=#A1>0\n"),
              std::vector<std::string>{"20:4"});
    EXPECT_EQ(ReadsOfOneTick("MathExpression4=#rms1>0\nDataWindow=50\n"),
              (std::vector<std::string>{"20:50", "20:1"}));
}

}  // namespace
}  // namespace quillon
