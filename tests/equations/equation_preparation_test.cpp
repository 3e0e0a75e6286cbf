// SPDX-License-Identifier: MIT
#include "equations/equation_preparation.hpp"

#include <gtest/gtest.h>

#include <memory>

#include "case_name.hpp"
#include "equations/equation_editor.hpp"
#include "equations/quick_reference.hpp"
#include "fakes/fake_platform.hpp"
#include "fakes/recording_host.hpp"

namespace quillon {
namespace {

constexpr const char* kEvaluationFailed =
    "Failed to evaluate the equation. Please fix the error and start again";

// The refusal of a token whose number runs into the text after it.
const char* kTextAfter(const std::string& token, const std::string& equation) {
    static std::vector<std::unique_ptr<std::string>> texts;
    texts.push_back(std::make_unique<std::string>(
        "Text after the token " + token + " in (" + equation +
        "): put an operator or a blank between a token and what follows"));
    return texts.back()->c_str();
}

struct PrepareCase {
    const char* equation;
    int channels;
    const char* message;  // empty: accepted
};

class PrepareForRunTest : public ::testing::TestWithParam<PrepareCase> {};

TEST_P(PrepareForRunTest, ChecksChannelsAndTriesTheEquation) {
    const PrepareCase& c = GetParam();
    testing::RecordingHost host;
    host.channels = static_cast<std::int16_t>(c.channels);
    host.block = SampleBlock(c.channels, 27);
    testing::FakePrompter prompter;
    Evaluator evaluator;
    EquationPreparation preparation(host, prompter, evaluator);
    const bool accepted = preparation.PrepareForRun(c.equation, {}).accepted;
    EXPECT_EQ(accepted, std::string(c.message).empty()) << c.equation;
    EXPECT_EQ(prompter.messages,
              accepted ? std::vector<std::string>{} : std::vector<std::string>{c.message});
}

INSTANTIATE_TEST_SUITE_P(
    Equations, PrepareForRunTest,
    ::testing::Values(PrepareCase{"#12>1", 13, ""}, PrepareCase{"1>0", 1, ""},
                      PrepareCase{"#5>1", 3, "Channel(s) not found in Windaq (#5>1)"},
                      PrepareCase{"#12>1", 3, "Channel(s) not found in Windaq (#12>1)"},
                      PrepareCase{"#a0>1", 3, "Channel(s) not found in Windaq (#a0>1)"},
                      PrepareCase{"#C0>#A2", 3, ""}, PrepareCase{"#@>1", 1, ""},
                      PrepareCase{"#rms1>1", 2, ""}, PrepareCase{"#dig7", 3, ""},
                      PrepareCase{"#dig9>0", 10, kEvaluationFailed},
                      PrepareCase{"#0>>1", 1, kEvaluationFailed}, PrepareCase{"", 1, ""},
                      PrepareCase{"max(#1,#0)>", 2, kEvaluationFailed},
                      // The whole run of digits names the channel, whatever the prefix.
                      PrepareCase{"#A12>1", 3, "Channel(s) not found in Windaq (#A12>1)"},
                      PrepareCase{"#rms12>1", 3, "Channel(s) not found in Windaq (#rms12>1)"},
                      PrepareCase{"#acrms3>1", 3, "Channel(s) not found in Windaq (#acrms3>1)"},
                      PrepareCase{"#300>1", 100, "Channel(s) not found in Windaq (#300>1)"},
                      PrepareCase{"#Z257>1", 300, "Channel(s) not found in Windaq (#Z257>1)"},
                      PrepareCase{"#01>1", 3, "Channel(s) not found in Windaq (#01>1)"},
                      PrepareCase{"#A12>#rms12", 13, ""},
                      // A token's number never runs into what follows it.
                      PrepareCase{"#dig01>0", 3, kTextAfter("#dig0", "#dig01>0")},
                      PrepareCase{"#digx12>1", 13, kTextAfter("#digx1", "#digx12>1")},
                      PrepareCase{"#@1>5", 1, kTextAfter("#@", "#@1>5")},
                      PrepareCase{"#0e1>1", 1, kTextAfter("#0", "#0e1>1")},
                      PrepareCase{"#0.5>1", 1, kTextAfter("#0", "#0.5>1")},
                      PrepareCase{"#A0e1>1", 1, kTextAfter("#A0", "#A0e1>1")},
                      PrepareCase{"#ave0E2>1", 1, kTextAfter("#ave0", "#ave0E2>1")},
                      PrepareCase{"#0 e1>1", 1, kEvaluationFailed},
                      PrepareCase{"(#0)+#dig0*#A0>#@", 1, ""}),
    [](const auto& info) {
        return testing::CaseName(info.param.equation, info.param.channels, "Channels");
    });

TEST(PrepareForRunTest, RaisesHistoryDepthAndStatisticsUse) {
    testing::RecordingHost host;
    host.block = SampleBlock(4, 27);
    testing::FakePrompter prompter;
    Evaluator evaluator;
    EquationPreparation preparation(host, prompter, evaluator);
    PreparationResult result = preparation.PrepareForRun("#C0>1", {});
    EXPECT_TRUE(result.accepted);
    result = preparation.PrepareForRun("#A1>1", result.use);
    EXPECT_TRUE(result.accepted);
    EXPECT_EQ(result.use.history_depth, 3);
    EXPECT_FALSE(result.use.statistics_in_use);
    result = preparation.PrepareForRun("#max", result.use);
    EXPECT_FALSE(result.accepted);
    EXPECT_TRUE(result.use.statistics_in_use);
    EXPECT_EQ(result.use.history_depth, 3);
}

TEST(PrepareForRunTest, AFailingHostRejectsTheEquation) {
    testing::RecordingHost host;
    host.fail_reads = true;
    testing::FakePrompter prompter;
    Evaluator evaluator;
    EXPECT_FALSE(EquationPreparation(host, prompter, evaluator).PrepareForRun("#0>1", {}).accepted);
    EXPECT_EQ(prompter.messages, std::vector<std::string>{kEvaluationFailed});
}

TEST(QuickReferenceTest, BoxesListOperatorsFunctionsAndNineEquations) {
    Panel panel;
    for (int slot = 0; slot < kSlotCount; ++slot) {
        panel.SetEquation(slot, "#0>3.3");
    }
    panel.SetEquation(8, "#1<0");
    const auto boxes = QuickReferenceBoxes(panel);
    EXPECT_EQ(boxes[0].title, "Math Operators");
    EXPECT_EQ(boxes[0].text.substr(0, 16), "+    \tAddition\r\n");
    EXPECT_EQ(boxes[0].text.substr(boxes[0].text.size() - 10), "==\tEqual\r\n");
    EXPECT_EQ(boxes[1].title, "Math Functions");
    EXPECT_NE(boxes[1].text.find("avg(x,y,z,...)\taverage\r\n"), std::string::npos);
    EXPECT_EQ(boxes[1].text.substr(boxes[1].text.size() - 20), "max(x,y,z,...)\tmax\r\n");
    EXPECT_EQ(boxes[2].title, "Logical Functions");
    EXPECT_EQ(boxes[2].text,
              "D0=#0>3.3\r\nD1=#0>3.3\r\nD2=#0>3.3\r\nD3=#0>3.3\r\nD4=#0>3.3\r\nD5=#0>3.3\r\n"
              "D6=#0>3.3\r\nD7=#0>3.3\r\nSound=#1<0\r\n");
    EXPECT_EQ(std::count(boxes[0].text.begin(), boxes[0].text.end(), '\n'), 13);
    EXPECT_EQ(std::count(boxes[1].text.begin(), boxes[1].text.end(), '\n'), 12);
}

struct EditCase {
    int slot;
    std::vector<std::string> answers;  // empty: cancel
    const char* title;
    const char* equation_after;
};

class EditEquationTest : public ::testing::TestWithParam<EditCase> {};

TEST_P(EditEquationTest, StoresANonEmptyAnswerAsTyped) {
    Panel panel;
    panel.SetEquation(GetParam().slot, "#0>3.3");
    panel.SetDataWindowText("abc");
    testing::FakePrompter prompter;
    prompter.answers = GetParam().answers;
    EditEquation(GetParam().slot, panel, prompter);
    EXPECT_EQ(panel.Slot(GetParam().slot).equation, GetParam().equation_after);
    EXPECT_EQ(EquationEditorTitle(GetParam().slot), GetParam().title);
    EXPECT_EQ(prompter.messages.front(),
              "Please note that the channel number used in the math expression is a 0-based "
              "index to WinDaq's scanlist.\r\rThe current data window for advanced math "
              "functions is abc");
}

INSTANTIATE_TEST_SUITE_P(
    Answers, EditEquationTest,
    ::testing::Values(EditCase{0, {}, "Logical Equation for DOUT 0", "#0>3.3"},
                      EditCase{3, {""}, "Logical Equation for DOUT 3", "#0>3.3"},
                      EditCase{8, {"  #1<2 "}, "Logical Equation for Audio Alarm", "  #1<2 "},
                      EditCase{9, {"x"}, "Logical Equation for Email Alarm", "x"}),
    [](const auto& info) { return testing::CaseName("Slot", info.param.slot); });

}  // namespace
}  // namespace quillon
