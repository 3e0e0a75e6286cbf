// SPDX-License-Identifier: MIT
#include "control/hot_keys.hpp"

#include <gtest/gtest.h>

#include <array>
#include <set>
#include <string>

#include "case_name.hpp"
#include "fakes/fake_key_state.hpp"

namespace quillon {
namespace {

constexpr int kCtrl = 17;
constexpr int kAlt = 18;

class HotKeysTest : public ::testing::Test {
protected:
    HotKeysTest() {
        settings.hot_key = {kCtrl, kAlt};
        const std::array<std::int16_t, 8> on = {'Q', 'W', 'E', 'R', 'T', 'Y', 'U', 'I'};
        const std::array<std::int16_t, 8> off = {'A', 'S', 'D', 'F', 'G', 'H', 'J', 'K'};
        for (std::size_t i = 0; i < on.size(); ++i) {
            settings.dout_true_key[i] = on[i];
            settings.dout_false_key[i] = off[i];
        }
        for (int output = 0; output < kOutputCount; ++output) {
            panel.SetSwitchPosition(output, kEquationPosition);
        }
    }

    std::array<int, 8> Positions() const {
        std::array<int, 8> positions{};
        for (int output = 0; output < kOutputCount; ++output) {
            positions[static_cast<std::size_t>(output)] = panel.Slot(output).switch_position;
        }
        return positions;
    }

    Panel panel;
    OperatorSettings settings;
    testing::FakeKeyState keys;
    HotKeys hot_keys{panel, settings, keys};
};

struct HeldCase {
    bool global_keys;
    std::set<int> held;
    std::array<int, 8> positions;
};

// "GlobalKeysOn_Ctrl_Alt_Q": the setting, then the held keys.
std::string HeldName(const HeldCase& c) {
    std::string name = c.global_keys ? "GlobalKeysOn" : "GlobalKeysOff";
    for (const int key : c.held) {
        name += "_";
        name += key == kCtrl  ? "Ctrl"
                : key == kAlt ? "Alt"
                              : testing::CaseName(static_cast<char>(key));
    }
    return name;
}

class HeldKeysTest : public HotKeysTest, public ::testing::WithParamInterface<HeldCase> {};

TEST_P(HeldKeysTest, MoveTheSwitches) {
    panel.SetGlobalKeys(GetParam().global_keys);
    keys.held = GetParam().held;
    hot_keys.Poll();
    EXPECT_EQ(Positions(), GetParam().positions);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, HeldKeysTest,
    ::testing::Values(
        HeldCase{true, {kCtrl, kAlt, 'Q'}, {1, 2, 2, 2, 2, 2, 2, 2}},
        HeldCase{true, {kCtrl, kAlt, 'A'}, {3, 2, 2, 2, 2, 2, 2, 2}},
        HeldCase{true, {kCtrl, 'Q'}, {2, 2, 2, 2, 2, 2, 2, 2}},
        HeldCase{true, {kAlt, 'Q'}, {2, 2, 2, 2, 2, 2, 2, 2}},
        HeldCase{true, {kCtrl, kAlt, 'Q', 'A'}, {1, 2, 2, 2, 2, 2, 2, 2}},  // true key wins
        HeldCase{true, {kCtrl, kAlt, 'W', 'K'}, {2, 1, 2, 2, 2, 2, 2, 3}},
        HeldCase{true, {kCtrl, kAlt, 'I', 'J', 'E'}, {2, 2, 1, 2, 2, 2, 3, 1}},
        HeldCase{true, {kCtrl, kAlt}, {2, 2, 2, 2, 2, 2, 2, 2}},
        HeldCase{false, {kCtrl, kAlt, 'Q'}, {2, 2, 2, 2, 2, 2, 2, 2}}),
    [](const auto& info) { return HeldName(info.param); });

TEST_F(HotKeysTest, ReadsTheKeysInOrderAndTheFalseKeyOnlyWithoutTheTrueKey) {
    panel.SetGlobalKeys(true);
    keys.held = {kCtrl, kAlt, 'Q'};
    hot_keys.Poll();
    const std::vector<int> expected = {kCtrl, kAlt, 'Q', 'W', 'S', 'E', 'D', 'R', 'F',
                                       'T',   'G',  'Y', 'H', 'U', 'J', 'I', 'K', ' '};
    EXPECT_EQ(keys.asked, expected);
}

struct AcknowledgeCase {
    bool global_keys;
    std::set<int> held;
    int acknowledgements;
};

class HotKeysAcknowledgeTest : public HotKeysTest,
                               public ::testing::WithParamInterface<AcknowledgeCase> {};

TEST_P(HotKeysAcknowledgeTest, CtrlAltSpaceAcknowledgesAllUnderTheGlobalKeyRule) {
    int acknowledged = 0;
    hot_keys.SetAcknowledgeAll([&] { ++acknowledged; });
    panel.SetGlobalKeys(GetParam().global_keys);
    keys.held = GetParam().held;
    hot_keys.Poll();
    EXPECT_EQ(acknowledged, GetParam().acknowledgements);
}

INSTANTIATE_TEST_SUITE_P(Keys, HotKeysAcknowledgeTest,
                         ::testing::Values(AcknowledgeCase{true, {kCtrl, kAlt, ' '}, 1},
                                           AcknowledgeCase{false, {kCtrl, kAlt, ' '}, 0},
                                           AcknowledgeCase{true, {kCtrl, ' '}, 0},
                                           AcknowledgeCase{true, {kCtrl, kAlt}, 0}));

TEST_F(HotKeysTest, ReadsNoKeyWhileGlobalKeysAreOff) {
    keys.held = {kCtrl, kAlt, 'Q'};
    hot_keys.Poll();
    EXPECT_TRUE(keys.asked.empty());
}

TEST_F(HotKeysTest, AnUnavailableKeyboardMovesNothing) {
    panel.SetGlobalKeys(true);
    keys.available = false;
    keys.held = {kCtrl, kAlt, 'Q'};
    hot_keys.Poll();
    EXPECT_EQ(Positions(), (std::array<int, 8>{2, 2, 2, 2, 2, 2, 2, 2}));
}

}  // namespace
}  // namespace quillon
