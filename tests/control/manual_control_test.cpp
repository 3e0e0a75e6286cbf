// SPDX-License-Identifier: MIT
#include "control/manual_control.hpp"

#include <gtest/gtest.h>

#include <vector>

#include "case_name.hpp"
#include "control/mode_switch.hpp"
#include "fakes/scripted_host.hpp"

namespace quillon {
namespace {

// Runs the controls' change handlers as the Application does.
class Handlers final : public PanelHandlers {
public:
    Handlers(ModeSwitch& modes, ManualControl& manual) : modes_(modes), manual_(manual) {}
    void SwitchChanged(int slot) override { modes_.SwitchChanged(slot); }
    void ManualOutputChanged(int output) override {
        failures.push_back(manual_.ManualOutputChanged(output));
    }
    std::vector<std::optional<std::string>> failures;

private:
    ModeSwitch& modes_;
    ManualControl& manual_;
};

class ManualControlTest : public ::testing::Test {
protected:
    ManualControlTest() { panel.SetHandlers(&handlers); }
    ~ManualControlTest() override { panel.SetHandlers(nullptr); }

    Panel panel;
    ForceWrite force_write;
    InstanceFacts facts;
    testing::ScriptedHost host;
    ModeSwitch modes{panel};
    ManualControl manual{panel, force_write, facts, host};
    Handlers handlers{modes, manual};
};

struct KeyCase {
    char key;
    int slot;
    int position;
};

class WindowKeyTest : public ManualControlTest, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(WindowKeyTest, MovesTheSwitchOfItsSlot) {
    const KeyCase& key = GetParam();
    panel.SetSwitchPosition(key.slot, key.position % 3 + 1);  // somewhere else first
    manual.CharacterTyped(key.key);
    EXPECT_EQ(panel.Slot(key.slot).switch_position, key.position);
}

INSTANTIATE_TEST_SUITE_P(
    Table, WindowKeyTest,
    ::testing::Values(
        KeyCase{'1', 0, 2}, KeyCase{'2', 1, 2}, KeyCase{'3', 2, 2}, KeyCase{'4', 3, 2},
        KeyCase{'5', 4, 2}, KeyCase{'6', 5, 2}, KeyCase{'7', 6, 2}, KeyCase{'8', 7, 2},
        KeyCase{'9', 8, 2}, KeyCase{'Q', 0, 1}, KeyCase{'W', 1, 1}, KeyCase{'E', 2, 1},
        KeyCase{'R', 3, 1}, KeyCase{'T', 4, 1}, KeyCase{'Y', 5, 1}, KeyCase{'U', 6, 1},
        KeyCase{'I', 7, 1}, KeyCase{'O', 8, 1}, KeyCase{'A', 0, 3}, KeyCase{'S', 1, 3},
        KeyCase{'D', 2, 3}, KeyCase{'F', 3, 3}, KeyCase{'G', 4, 3}, KeyCase{'H', 5, 3},
        KeyCase{'J', 6, 3}, KeyCase{'K', 7, 3}, KeyCase{'L', 8, 3}, KeyCase{'q', 0, 1},
        KeyCase{'a', 0, 3}, KeyCase{'o', 8, 1}, KeyCase{'l', 8, 3}, KeyCase{'k', 7, 3}),
    [](const auto& info) { return testing::CaseName("Key", info.param.key); });

class OtherKeyTest : public ManualControlTest, public ::testing::WithParamInterface<char> {};

TEST_P(OtherKeyTest, LeavesEverySwitchAlone) {
    std::vector<int> before;
    for (int slot = 0; slot < kSlotCount; ++slot) {
        before.push_back(panel.Slot(slot).switch_position);
    }
    manual.CharacterTyped(GetParam());
    for (int slot = 0; slot < kSlotCount; ++slot) {
        EXPECT_EQ(panel.Slot(slot).switch_position, before[static_cast<std::size_t>(slot)]);
    }
}

INSTANTIATE_TEST_SUITE_P(Keys, OtherKeyTest,
                         ::testing::Values('0', 'P', 'p', 'Z', 'M', ' ', '-', '\r', '\0',
                                           static_cast<char>(0xE9)),
                         [](const auto& info) { return testing::CaseName("Key", info.param); });

TEST_F(ManualControlTest, KeysSetTheAudioAlarmModeAndNeverTheEmailSlot) {
    manual.CharacterTyped('o');
    EXPECT_EQ(panel.Slot(kAudioSlot).mode, "Force Set");
    manual.CharacterTyped('9');
    EXPECT_EQ(panel.Slot(kAudioSlot).mode, "Set");
    panel.SetMode(kEmailSlot, "Reset");
    for (const char key : std::string("0123456789QWERTYUIOPASDFGHJKLZXCVBNM")) {
        manual.CharacterTyped(key);
    }
    EXPECT_EQ(panel.Slot(kEmailSlot).mode, "Reset");
    EXPECT_EQ(panel.Slot(kEmailSlot).switch_position, kEquationPosition);
}

struct WordCase {
    std::vector<int> on;
    std::int16_t word;
    std::int32_t high_byte_word;
};

class ManualWordTest : public ManualControlTest, public ::testing::WithParamInterface<WordCase> {
protected:
    void TurnOn() {
        for (const int output : GetParam().on) {
            panel.SetManualOutput(output, 1);
        }
    }
};

TEST_P(ManualWordTest, KeepsBothLayouts) {
    TurnOn();
    EXPECT_EQ(manual.ManualWord(), GetParam().word);
    EXPECT_EQ(manual.ManualHighByteWord(), GetParam().high_byte_word);
}

TEST_P(ManualWordTest, WritesTheLowByteForm) {
    TurnOn();
    EXPECT_EQ(host.writes.empty() ? 0 : host.writes.back(), GetParam().word);
    EXPECT_EQ(manual.LastWrittenManualWord(), GetParam().word);
}

TEST_P(ManualWordTest, WritesTheHighByteForm) {
    facts.high_byte_layout = true;
    TurnOn();
    EXPECT_EQ(host.writes.empty() ? 0 : host.writes.back(), GetParam().high_byte_word);
    EXPECT_EQ(manual.LastWrittenManualHighByteWord(), GetParam().high_byte_word);
    EXPECT_EQ(manual.LastWrittenManualWord(), 0);
}

TEST_P(ManualWordTest, TurningAllOffAgainClearsBoth) {
    TurnOn();
    for (const int output : GetParam().on) {
        panel.SetManualOutput(output, 0);
    }
    EXPECT_EQ(manual.ManualWord(), 0);
    EXPECT_EQ(manual.ManualHighByteWord(), 0);
}

INSTANTIATE_TEST_SUITE_P(Outputs, ManualWordTest,
                         ::testing::Values(WordCase{{0}, 1, 256}, WordCase{{3}, 8, 2048},
                                           WordCase{{6}, 64, 16384}, WordCase{{7}, 128, -32768},
                                           WordCase{{0, 7}, 129, -32512},
                                           WordCase{{7, 0}, 129, -32512}, WordCase{{0, 3}, 9, 2304},
                                           WordCase{{0, 1, 2, 3, 4, 5, 6, 7}, 255, -256}),
                         [](const auto& info) {
                             return testing::CaseName("Outputs", info.param.on);
                         });

// One change of D(n) and what reached the host.
struct WriteStep {
    bool force;
    bool high_byte;
    int output;
    int value;
    std::vector<std::int16_t> writes;  // all writes so far
};

struct WriteSequence {
    const char* name;
    std::vector<WriteStep> steps;
};

class ForceWriteTest : public ManualControlTest,
                       public ::testing::WithParamInterface<WriteSequence> {};

TEST_P(ForceWriteTest, WritesOnChangeOrWhenForced) {
    for (const WriteStep& step : GetParam().steps) {
        force_write.pending = step.force;
        facts.high_byte_layout = step.high_byte;
        panel.SetManualOutput(step.output, step.value);
        EXPECT_EQ(host.writes, step.writes);
        EXPECT_FALSE(force_write.pending);
    }
}

INSTANTIATE_TEST_SUITE_P(Sequences, ForceWriteTest,
                         ::testing::Values(WriteSequence{"EveryChangeBackAndForth",
                                                         {{false, false, 0, 1, {1}},
                                                          {false, false, 0, 0, {1, 0}}}},
                                           // Even when the word equals the last one written.
                                           WriteSequence{"FirstChangeAfterStart",
                                                         {{false, false, 0, 1, {1}},
                                                          {false, true, 0, 0, {1}},
                                                          {true, false, 0, 1, {1, 1}},
                                                          {false, false, 0, 0, {1, 1, 0}}}},
                                           WriteSequence{"EachFormAgainstItsOwnLastWrite",
                                                         {{false, true, 7, 1, {-32768}},
                                                          {false, false, 7, 0, {-32768}},
                                                          {false, false, 1, 1, {-32768, 2}}}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ManualControlTest, AFailedWriteIsReportedAndWrittenAgainLater) {
    force_write.pending = true;
    host.fail_writes = true;
    panel.SetManualOutput(2, 1);
    ASSERT_EQ(handlers.failures.size(), 1U);
    ASSERT_TRUE(handlers.failures[0].has_value());
    EXPECT_EQ(*handlers.failures[0], "Manual output word 4 not written: instrument not responding");
    EXPECT_TRUE(force_write.pending);
    EXPECT_EQ(manual.LastWrittenManualWord(), 0);
    EXPECT_EQ(manual.ManualWord(), 4);

    host.fail_writes = false;
    panel.SetManualOutput(3, 1);
    EXPECT_EQ(host.writes, std::vector<std::int16_t>{12});
    EXPECT_FALSE(handlers.failures.back().has_value());
    EXPECT_FALSE(force_write.pending);
}

TEST_F(ManualControlTest, OnlyTheValueOneCountsAsOn) {
    panel.SetManualOutput(4, 2);
    EXPECT_EQ(manual.ManualWord(), 0);
    panel.SetManualOutput(4, 1);
    panel.SetManualOutput(4, 2);
    panel.SetManualOutput(4, 0);
    EXPECT_EQ(manual.ManualWord(), 0);
    EXPECT_EQ(manual.ManualHighByteWord(), 0);
}

}  // namespace
}  // namespace quillon
