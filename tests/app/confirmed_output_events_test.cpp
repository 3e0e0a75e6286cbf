// SPDX-License-Identifier: MIT
#include "app/confirmed_output_events.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "case_name.hpp"

namespace quillon {
namespace {

// Records the output lines, "word:written" or "word:error".
class OutputLines final : public NoEventSink {
public:
    void OutputWritten(const OutputWrite& write) override {
        lines.push_back(std::to_string(write.word) + ":" +
                        (write.error.empty() ? "written" : write.error));
    }

    std::vector<std::string> lines;
};

struct Answer {
    std::int16_t word;
    const char* refusal;
};

struct ConfirmCase {
    const char* name;
    std::vector<std::int16_t> handed_on;
    std::vector<Answer> answers;
    std::vector<std::string> logged;
};

class ConfirmedOutputs : public ::testing::TestWithParam<ConfirmCase> {};

TEST_P(ConfirmedOutputs, AreLoggedWrittenOnlyOnceTheDeviceTookThem) {
    OutputLines lines;
    ConfirmedOutputEvents events(lines);
    for (const std::int16_t word : GetParam().handed_on) {
        events.OutputWritten(OutputWrite{word, false, false, false, {}});
    }
    EXPECT_TRUE(lines.lines.empty());
    for (const Answer& answer : GetParam().answers) {
        events.Confirm(answer.word, answer.refusal);
    }
    EXPECT_EQ(lines.lines, GetParam().logged);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, ConfirmedOutputs,
    ::testing::Values(
        ConfirmCase{"Taken", {1, 3}, {{1, ""}, {3, ""}}, {"1:written", "3:written"}},
        ConfirmCase{"Refused", {1}, {{1, "illegal data address"}}, {"1:illegal data address"}},
        ConfirmCase{"Replaced",
                    {1, 3, 7},
                    {{7, ""}},
                    {"1:a newer word replaced it before it reached the device",
                     "3:a newer word replaced it before it reached the device", "7:written"}},
        ConfirmCase{"NeverHandedOn", {1}, {{5, ""}}, {}},
        ConfirmCase{"NotYetAnswered", {1, 3}, {{1, ""}}, {"1:written"}}),
    [](const auto& info) { return testing::CaseName(info.param.name); });

}  // namespace
}  // namespace quillon
