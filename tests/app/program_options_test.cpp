// SPDX-License-Identifier: MIT
#include "app/program_options.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "case_name.hpp"

namespace quillon {
namespace {

struct ResumeCase {
    const char* name;
    std::vector<const char*> words;
    std::optional<double> resume_after;
    std::string error;
};

class ResumeAfterOption : public ::testing::TestWithParam<ResumeCase> {};

TEST_P(ResumeAfterOption, TakesSecondsAndNeverTheInstanceWords) {
    std::vector<const char*> argv = {"quillon-headless"};
    argv.insert(argv.end(), GetParam().words.begin(), GetParam().words.end());
    const ProgramOptions options = ParseProgramOptions(static_cast<int>(argv.size()), argv.data());
    EXPECT_EQ(options.resume_after, GetParam().resume_after);
    EXPECT_EQ(options.error, GetParam().error);
    if (GetParam().error.empty()) {
        EXPECT_EQ(options.argument_text, "-dsim -nLab1");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Words, ResumeAfterOption,
    ::testing::Values(
        ResumeCase{"Separate", {"--resume-after", "10", "-dsim", "-nLab1"}, 10.0, ""},
        ResumeCase{"Joined", {"-dsim", "--resume-after=2.5", "-nLab1"}, 2.5, ""},
        ResumeCase{"Absent", {"-dsim", "-nLab1"}, std::nullopt, ""},
        ResumeCase{"NotANumber",
                   {"--resume-after", "soon"},
                   std::nullopt,
                   "--resume-after needs a number of seconds from 0.1 to 86400, got \"soon\""},
        ResumeCase{"TooShort",
                   {"--resume-after", "0"},
                   std::nullopt,
                   "--resume-after needs a number of seconds from 0.1 to 86400, got \"0\""},
        ResumeCase{"Missing",
                   {"--resume-after"},
                   std::nullopt,
                   "--resume-after needs a number of seconds, e.g. --resume-after 10"}),
    [](const auto& info) { return testing::CaseName(info.param.name); });

}  // namespace
}  // namespace quillon
