// SPDX-License-Identifier: MIT
#include "platform/linux/program_locator.hpp"

#include <gtest/gtest.h>

#include <map>

#include "case_name.hpp"
#include "fakes/temp_directory.hpp"

namespace quillon {
namespace {

class ProgramLocatorTest : public ::testing::Test {
protected:
    ProgramLocator Locator() {
        return ProgramLocator(
            [this](const char* name) {
                const auto found = environment.find(name);
                return found == environment.end() ? nullptr : found->second.c_str();
            },
            own.Path().string());
    }

    testing::TempDirectory own;    // beside Quillon's own program
    testing::TempDirectory other;  // somewhere else
    std::map<std::string, std::string> environment;
    std::string error;
};

TEST_F(ProgramLocatorTest, TheVariableComesFirst) {
    own.Write("pellomar", "#!/bin/sh\n", 0755);
    const std::string agent = other.Write("agent", "#!/bin/sh\n", 0755);
    environment["QUILLON_PELLOMAR"] = agent;
    EXPECT_EQ(Locator().Locate("pellomar", error), agent);
}

TEST_F(ProgramLocatorTest, ThenTheProgramBesideQuillon) {
    const std::string agent = own.Write("pellomar", "#!/bin/sh\n", 0755);
    EXPECT_EQ(Locator().Locate("pellomar", error), agent);
    environment["QUILLON_PELLOMAR"] = "";  // empty counts as not set
    EXPECT_EQ(Locator().Locate("pellomar", error), agent);
}

TEST_F(ProgramLocatorTest, AVariableNamingNoProgramDecides) {
    own.Write("pellomar", "#!/bin/sh\n", 0755);
    environment["QUILLON_PELLOMAR"] = "/no/such/agent";
    EXPECT_FALSE(Locator().Locate("pellomar", error).has_value());
    EXPECT_EQ(error,
              "The program pellomar was not found: QUILLON_PELLOMAR names \"/no/such/agent\", "
              "which is not an executable file");
}

TEST_F(ProgramLocatorTest, AMissingProgramIsExplained) {
    EXPECT_FALSE(Locator().Locate("pellomar", error).has_value());
    EXPECT_EQ(error, "The program pellomar was not found: QUILLON_PELLOMAR is not set and \"" +
                         (own.Path() / "pellomar").string() + "\" is not an executable file");
}

TEST_F(ProgramLocatorTest, AFileWithoutExecutePermissionIsNoProgram) {
    own.Write("pellomar", "#!/bin/sh\n", 0644);
    EXPECT_FALSE(Locator().Locate("pellomar", error).has_value());
    own.Write("pellomar", "#!/bin/sh\n", 0755);
    EXPECT_TRUE(Locator().Locate("pellomar", error).has_value());
}

TEST_F(ProgramLocatorTest, APathIsTakenAsItIs) {
    EXPECT_EQ(Locator().Locate("/usr/bin/env", error), "/usr/bin/env");
}

struct VariableCase {
    const char* program;
    const char* variable;
};

class VariableNameTest : public ::testing::TestWithParam<VariableCase> {};

TEST_P(VariableNameTest, IsTheUpperCaseName) {
    EXPECT_EQ(ProgramLocator::VariableFor(GetParam().program), GetParam().variable);
}

INSTANTIATE_TEST_SUITE_P(Names, VariableNameTest,
                         ::testing::Values(VariableCase{"pellomar", "QUILLON_PELLOMAR"},
                                           VariableCase{"mail-agent2", "QUILLON_MAIL_AGENT2"},
                                           VariableCase{"A.b", "QUILLON_A_B"}),
                         [](const auto& info) { return testing::CaseName(info.param.program); });

TEST(OwnDirectoryTest, IsTheDirectoryOfThisProgram) {
    const std::filesystem::path own = ProgramLocator::OwnDirectory();
    EXPECT_TRUE(std::filesystem::exists(own / "test_platform"));
}

}  // namespace
}  // namespace quillon
