// SPDX-License-Identifier: MIT
#include "host/syntax/line_syntax.hpp"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace quillon::syntax {
namespace {

// A parser as the scenario and device-file parsers are: a table of keywords and handlers.
struct ToyParser {
    static const std::vector<Keyword<ToyParser>>& Keywords() {
        static const std::vector<Keyword<ToyParser>> keywords = {
            {"one", "one VALUE", 1, 1, &ToyParser::Take},
            {"some", "some VALUE [VALUE]", 1, 2, &ToyParser::Take},
        };
        return keywords;
    }
    void Take(const Words& values) { taken = values; }
    Words taken;
};

// What reaches the parser, and the message of what does not.
TEST(LineSyntax, DispatchesByKeywordAndCountsValues) {
    struct Case {
        const char* line;
        Words taken;
        const char* error;
    };
    const Case cases[] = {
        {"one 5", {"5"}, ""},
        {"some \"a b\" c # comment", {"a b", "c"}, ""},
        {"one", {}, "expected \"one VALUE\""},
        {"some 1 2 3", {}, "expected \"some VALUE [VALUE]\""},
        {"won 5", {}, "unknown keyword \"won\"; expected one or some"},
        {"one \"open", {}, "unterminated quoted text; close it with \""},
    };
    for (const Case& c : cases) {
        ToyParser parser;
        try {
            Dispatch(parser, ToyParser::Keywords(), SplitLine(c.line));
            EXPECT_EQ(parser.taken, c.taken) << c.line;
            EXPECT_STREQ(c.error, "") << c.line;
        } catch (const std::invalid_argument& error) {
            EXPECT_STREQ(error.what(), c.error) << c.line;
        }
    }
}

TEST(LineSyntax, LinesAreNumberedFromOneWithoutTheUtf8Mark) {
    std::istringstream in("\xEF\xBB\xBFone 1\n\nsome 2\n");
    std::vector<std::string> seen;
    const int count = ForEachLine(in, [&](int number, const std::string& line) {
        seen.push_back(std::to_string(number) + ":" + line);
    });
    EXPECT_EQ(count, 3);
    EXPECT_EQ(seen, (std::vector<std::string>{"1:one 1", "2:", "3:some 2"}));
}

TEST(LineSyntax, SettingsAndRangesSplitAtTheirFirstSeparator) {
    EXPECT_EQ(SplitSetting("text=a=b"), (std::pair<std::string, std::string>{"text", "a=b"}));
    EXPECT_EQ(ParseRange("+10,-2.5"), (std::pair<double, double>{10.0, -2.5}));
    EXPECT_THROW(SplitSetting("gain"), std::invalid_argument);
    EXPECT_THROW(ParseRange("10;0"), std::invalid_argument);
    EXPECT_THROW(ParseRange("10,x"), std::invalid_argument);
    EXPECT_EQ(ParseModel("-2147483648"), -2147483647 - 1);
    EXPECT_THROW(ParseModel("2147483648"), std::invalid_argument);
}

}  // namespace
}  // namespace quillon::syntax
