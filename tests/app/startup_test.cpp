// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <algorithm>

#include "app/startup_fixture.hpp"
#include "case_name.hpp"

namespace quillon {
namespace {

using testing::StartupFixture;

// The host calls of start-up in order, up to the Start, with the profile reads reduced to
// their first and last.
std::vector<std::string> Sequence(const std::vector<std::string>& calls) {
    std::vector<std::string> out;
    for (const std::string& call : calls) {
        if (!out.empty() && out.back() == "15") {
            break;
        }
        const bool read = call.rfind("read:", 0) == 0;
        if (!read || call == "read:SenderID" || call == "read:MathExpression0" ||
            call == "read:EmailAlarmInterval") {
            out.push_back(call);
        }
    }
    return out;
}

TEST_F(StartupFixture, CallsTheHostInOrderAndStartsTheRun) {
    host.model = 480;
    application.Load("-dABC -nLab1");
    const std::vector<std::string> expected = {"read:SenderID",
                                               "1put:ABC",
                                               "read:MathExpression0",
                                               "read:EmailAlarmInterval",
                                               "14",
                                               "1get",
                                               "8:-2",
                                               "16:-32765",
                                               "15"};
    EXPECT_EQ(Sequence(host.calls), expected);
    // Then Start validates the equations from slot 2 of this model on, asking the host.
    const auto start = std::find(host.calls.begin(), host.calls.end(), "15");
    ASSERT_NE(start, host.calls.end());
    EXPECT_EQ(*(start + 1), "2");
    EXPECT_EQ(panel.Caption(), "Lab1");
    EXPECT_EQ(application.GetInstanceFacts().host_id, "Lab1");
    EXPECT_EQ(panel.StartStopCaption(), "Stop");
    EXPECT_TRUE(panel.ScanTimerEnabled());
    EXPECT_EQ(panel.WindowHeight(), 2850);
}

TEST_F(StartupFixture, WithoutArgumentsNothingIsPutToTheHost) {
    application.Load("");
    EXPECT_EQ(std::count(host.calls.begin(), host.calls.end(), "1put:"), 0);
    EXPECT_EQ(host.calls.front(), "read:SenderID");
    EXPECT_EQ(application.GetInstanceFacts().host_id, "Quillon");
}

TEST_F(StartupFixture, SettingsComeFromTheHostIdSection) {
    store.files["NorvaneAlarm.ini"] =
        "[Quillon]\nMathExpression0=#1<0\n[Lab1]\nMathExpression0=#2>5\n";
    application.Load("-d -nLab1");
    EXPECT_EQ(panel.Slot(0).equation, "#2>5");
    application.Unload();
    EXPECT_NE(Settings().find("[Quillon]\nMathExpression0=#1<0\n[Lab1]\n"), std::string::npos);
}

struct ModelCase {
    std::int32_t model;
    std::vector<int> hidden_rows;  // slots whose lamp, mode, label and equation are hidden
    bool parks_outputs;
    int first_slot;
};

class StartupModelTest : public StartupFixture, public ::testing::WithParamInterface<ModelCase> {};

TEST_P(StartupModelTest, AdaptsTheOutputRowsToTheModel) {
    host.model = GetParam().model;
    application.Load("");
    for (int slot = 0; slot < kSlotCount; ++slot) {
        const bool hidden =
            std::count(GetParam().hidden_rows.begin(), GetParam().hidden_rows.end(), slot) > 0;
        const SlotState& s = panel.Slot(slot);
        EXPECT_EQ(s.lamp_visible && s.mode_visible && s.equation_visible, !hidden)
            << "slot " << slot;
        EXPECT_EQ(!s.lamp_visible && !s.mode_visible && !s.equation_visible, hidden)
            << "slot " << slot;
    }
    EXPECT_EQ(std::count(host.calls.begin(), host.calls.end(), "16:-32765"),
              GetParam().parks_outputs ? 1 : 0);
    EXPECT_EQ(application.GetRunState().first_slot, GetParam().first_slot);
}

INSTANTIATE_TEST_SUITE_P(
    Models, StartupModelTest,
    ::testing::Values(ModelCase{154, {0, 1, 2, 3, 4, 5, 6, 7}, false, 0},
                      ModelCase{145, {0, 1, 2, 3, 4, 5, 6, 7}, false, 0},
                      ModelCase{480, {0, 1}, true, 2}, ModelCase{1581, {0, 1}, true, 2},
                      ModelCase{2108, {}, false, 0}, ModelCase{70000, {}, false, 0}),
    [](const auto& info) { return testing::CaseName("Model", info.param.model); });

TEST_F(StartupFixture, ModelWithFourOutputsDisablesAndEmptiesTheUpperSlots) {
    host.model = 149;
    application.Load("");
    for (int slot = 4; slot < 8; ++slot) {
        const SlotState& s = panel.Slot(slot);
        EXPECT_FALSE(s.mode_enabled || s.equation_enabled || s.lamp_visible);
        EXPECT_EQ(s.equation, "");
    }
    EXPECT_TRUE(panel.Slot(3).lamp_visible);
    application.Unload();
    EXPECT_NE(Settings().find("MathExpression7= \n"), std::string::npos);
}

TEST_F(StartupFixture, ModelBeyondSixteenBitsSaturates) {
    host.model = 100000;
    application.Load("");
    EXPECT_EQ(application.GetInstanceFacts().instrument_model, 32767);
}

struct LayoutCase {
    const char* identification;
    bool high_byte;
};

class StartupLayoutTest : public StartupFixture,
                          public ::testing::WithParamInterface<LayoutCase> {};

TEST_P(StartupLayoutTest, ThirdCharacterSevenSelectsTheHighByteLayout) {
    host.identification = GetParam().identification;
    application.Load("");
    EXPECT_EQ(application.GetInstanceFacts().high_byte_layout, GetParam().high_byte);
}

INSTANTIATE_TEST_SUITE_P(Identifications, StartupLayoutTest,
                         ::testing::Values(LayoutCase{"DI7", true}, LayoutCase{"DI-718", false},
                                           LayoutCase{"DI710", true}, LayoutCase{"777", true},
                                           LayoutCase{"77", false}, LayoutCase{"", false}),
                         [](const auto& info) {
                             return testing::CaseName(info.param.identification);
                         });

struct SuffixCase {
    const char* agent_settings;
    const char* suffix;
};

class StartupSuffixTest : public StartupFixture,
                          public ::testing::WithParamInterface<SuffixCase> {};

TEST_P(StartupSuffixTest, SenderSuffixComesFromTheAgentSettings) {
    store.files["pellomar.ini"] = GetParam().agent_settings;
    application.Load("");
    EXPECT_EQ(application.GetInstanceFacts().sender_suffix, GetParam().suffix);
}

INSTANTIATE_TEST_SUITE_P(
    Suffixes, StartupSuffixTest,
    ::testing::Values(SuffixCase{"", " "}, SuffixCase{"[Global]\nSenderID=\n", " "},
                      SuffixCase{"[Global]\nSenderID=Line 3\n", "@Line_3 "},
                      SuffixCase{"[global]\nsenderid=  Rig  \n", "@Rig "},
                      SuffixCase{"[Global]\nSenderID=ABCDEFGHIJKLMNOPQRSTUVWXY\n",
                                 "@ABCDEFGHIJKLMNOPQRS "}),
    [](const auto& info) { return testing::CaseName(info.param.agent_settings); });

TEST_F(StartupFixture, DecimalSeparatorComesFromTheLocale) {
    locale.separator = ",";
    application.Load("");
    EXPECT_EQ(application.GetInstanceFacts().decimal_separator, ",");
}

}  // namespace
}  // namespace quillon
