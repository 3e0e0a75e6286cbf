// SPDX-License-Identifier: MIT
#include "equations/evaluator.hpp"

#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "case_name.hpp"

namespace quillon {
namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

struct ValueCase {
    std::string expression;
    double value;
};

class EvaluatorValueTest : public ::testing::TestWithParam<ValueCase> {};

TEST_P(EvaluatorValueTest, Evaluates) {
    EXPECT_DOUBLE_EQ(Evaluator().Evaluate(GetParam().expression), GetParam().value)
        << GetParam().expression;
}

INSTANTIATE_TEST_SUITE_P(
    SubstitutedSamples, EvaluatorValueTest,
    ::testing::Values(
        ValueCase{"9.>=(2.5+1.)", 1}, ValueCase{"5.>3.3", 1}, ValueCase{"20*log10(200.)>23", 1},
        ValueCase{"avg(1.,2.,3.,3.)<8 ", 1}, ValueCase{"min(.5,9.)<2", 1},
        ValueCase{"max(1.,2.,4.)>3.3", 1}, ValueCase{"(1.+2.)>3", 0}, ValueCase{"(1.<3)&(4.<5)", 1},
        ValueCase{"5.--3.", 8}, ValueCase{"-3.^2", 9}, ValueCase{".", 0}, ValueCase{"", 0},
        ValueCase{"  ", 0}, ValueCase{"5.", 5}, ValueCase{".5", 0.5}, ValueCase{"-.5", -0.5},
        ValueCase{"1e3", 1000}, ValueCase{"2.5E-3", 0.0025}, ValueCase{"1.5e+2", 150},
        ValueCase{".12345678901234567", 0.12345678901234567}, ValueCase{" \t1 +\t2 ", 3}),
    [](const auto& info) { return testing::CaseName(info.param.expression); });

INSTANTIATE_TEST_SUITE_P(
    Precedence, EvaluatorValueTest,
    ::testing::Values(ValueCase{"1|0&0", 1}, ValueCase{"2&3==3", 1}, ValueCase{"1<2==1", 1},
                      ValueCase{"1+2<4", 1}, ValueCase{"3>2>1", 0}, ValueCase{"2+3*4", 14},
                      ValueCase{"7-2-1", 4}, ValueCase{"8/4/2", 1}, ValueCase{"2*3%4", 2},
                      ValueCase{"2*3^2", 18}, ValueCase{"2^3^2", 512}, ValueCase{"-2^2", 4},
                      ValueCase{"2^-1", 0.5}, ValueCase{"2*-1.5", -3}, ValueCase{"5--3", 8},
                      ValueCase{"max(-1,.)", 0}, ValueCase{"(-1)", -1}, ValueCase{"!0+1", 2},
                      ValueCase{"!(1|1)", 0}, ValueCase{"--2", 2}),
    [](const auto& info) { return testing::CaseName(info.param.expression); });

INSTANTIATE_TEST_SUITE_P(Operators, EvaluatorValueTest,
                         ::testing::Values(ValueCase{"2<=2", 1}, ValueCase{"2>=3", 0},
                                           ValueCase{"2==2.", 1}, ValueCase{"2!=2", 0},
                                           ValueCase{"2!=3", 1}, ValueCase{"2&3", 1},
                                           ValueCase{"0|0", 0}, ValueCase{"-1&1", 1},
                                           ValueCase{"!5", 0}, ValueCase{"-7%3", -1},
                                           ValueCase{"5.5%2", 1.5}),
                         [](const auto& info) { return testing::CaseName(info.param.expression); });

INSTANTIATE_TEST_SUITE_P(
    Functions, EvaluatorValueTest,
    ::testing::Values(ValueCase{"abs(-2.5)", 2.5}, ValueCase{"round(2.5)", 3},
                      ValueCase{"round(-2.5)", -3}, ValueCase{"round(2.4)", 2},
                      ValueCase{"round(2.675,2)", 2.68}, ValueCase{"round(1234.5,-2)", 1200},
                      ValueCase{"round(.125,2)", 0.13}, ValueCase{"floor(-1.5)", -2},
                      ValueCase{"ceil(1.2)", 2}, ValueCase{"log(1)", 0},
                      ValueCase{"log10(1000)", 3}, ValueCase{"sqrt(16)", 4},
                      ValueCase{"bin(101)", 5}, ValueCase{"bin(-101)", -5},
                      ValueCase{"bin(101.9)", 5}, ValueCase{"hex(10)", 16},
                      ValueCase{"hex(99)", 153}, ValueCase{"avg(1,2,3,3)", 2.25},
                      ValueCase{"sum(1,2,3)", 6}, ValueCase{"max(4)", 4},
                      ValueCase{"min(3,-1,2)", -1}, ValueCase{"sum(max(1,2), min(3,4))", 5}),
    [](const auto& info) { return testing::CaseName(info.param.expression); });

INSTANTIATE_TEST_SUITE_P(NotANumberAndInfinity, EvaluatorValueTest,
                         ::testing::Values(ValueCase{"1/0", kInfinity},
                                           ValueCase{"-1/0", -kInfinity}, ValueCase{"1/0>1e308", 1},
                                           ValueCase{"bin(1111111111111111)", 65535},
                                           ValueCase{"hex(20000000000000)", 9007199254740992}),
                         [](const auto& info) { return testing::CaseName(info.param.expression); });

struct FailureCase {
    std::string expression;
    std::size_t position;
    std::string reason;
};

class EvaluatorFailureTest : public ::testing::TestWithParam<FailureCase> {};

TEST_P(EvaluatorFailureTest, FailsWhereReadingStopped) {
    try {
        Evaluator().Evaluate(GetParam().expression);
        ADD_FAILURE() << GetParam().expression << " evaluated";
    } catch (const EvaluationError& error) {
        EXPECT_EQ(error.Reason(), GetParam().reason) << GetParam().expression;
        EXPECT_EQ(error.Position(), GetParam().position) << GetParam().expression;
    }
}

INSTANTIATE_TEST_SUITE_P(
    BadExpressions, EvaluatorFailureTest,
    ::testing::Values(
        FailureCase{"#dig9>0", 0, "unexpected character \"#\""},
        FailureCase{"1>#", 2, "unexpected character \"#\""},
        FailureCase{"foo(1)", 0, "unknown function \"foo\""},
        FailureCase{"Abs(1)", 0, "unknown function \"Abs\""},
        FailureCase{"(1+2", 4, "expected \")\""}, FailureCase{"1+", 2, "expected a value"},
        FailureCase{"1+)", 2, "unexpected character \")\""},
        FailureCase{"2 3", 2, "unexpected character \"3\""},
        FailureCase{"5=5", 1, "unexpected character \"=\""},
        FailureCase{"1.2.3", 3, "unexpected character \".\""},
        FailureCase{"2e", 1, "unexpected character \"e\""},
        FailureCase{std::string("1\0", 2), 1, "unexpected character 0x0"},
        FailureCase{"sqrt(1,2)", 6, "too many arguments to \"sqrt\""},
        FailureCase{"max()", 4, "too few arguments to \"max\""},
        FailureCase{"round(1 2)", 8, "expected \",\" or \")\""},
        FailureCase{"abs(1 2)", 6, "expected \")\""}, FailureCase{"abs+1", 3, "expected \"(\""},
        FailureCase{"1+bin(12)", 2, "bin reads only the digits 0 and 1"},
        FailureCase{"1e999", 0, "number out of range"},
        FailureCase{std::string(201, '(') + "1" + std::string(201, ')'), 201, "too deeply nested"},
        FailureCase{std::string(201, '-') + "1", 201, "too deeply nested"}),
    [](const auto& info) { return testing::CaseName(info.param.expression); });

INSTANTIATE_TEST_SUITE_P(
    NotANumberAndInfinity, EvaluatorFailureTest,
    ::testing::Values(FailureCase{"0/0", 3, "result is not a number"},
                      FailureCase{"sqrt(-1) ", 9, "result is not a number"},
                      // NaN never decides a condition, negated or not.
                      FailureCase{"0/0>0", 3, "not a number given to \">\""},
                      FailureCase{"0/0==0/0", 3, "not a number given to \"==\""},
                      FailureCase{"0/0!=1", 3, "not a number given to \"!=\""},
                      FailureCase{"!(5%0>1)", 5, "not a number given to \">\""},
                      FailureCase{"!(sqrt(-1)<1)", 10, "not a number given to \"<\""},
                      FailureCase{"!(0*1/(9<5)>-1)", 11, "not a number given to \">\""},
                      FailureCase{"0/0|1", 3, "not a number given to \"|\""},
                      FailureCase{"1&0/0", 1, "not a number given to \"&\""},
                      FailureCase{"!(0/0)", 0, "not a number given to \"!\""},
                      FailureCase{"max(0/0,1)", 0, "not a number given to \"max\""},
                      // pow would make 1 of both.
                      FailureCase{"(0/0)^0", 5, "not a number given to \"^\""},
                      FailureCase{"1^(0/0)", 1, "not a number given to \"^\""},
                      // bin and hex read only what a double holds exactly.
                      FailureCase{"bin(10000000000000001)", 0, "bin reads at most 16 digits"},
                      FailureCase{"bin(" + std::string(52, '1') + ")", 0,
                                  "bin reads at most 16 digits"},
                      FailureCase{"bin(1/0)", 0, "bin takes a finite number"},
                      FailureCase{"hex(-1/0)", 0, "hex takes a finite number"},
                      FailureCase{"hex(20000000000001)", 0, "hex gives at most 9007199254740992"},
                      FailureCase{"nan>0", 0, "unknown name \"nan\""},
                      FailureCase{"-inf<0", 1, "unknown name \"inf\""}),
    [](const auto& info) { return testing::CaseName(info.param.expression); });

TEST(EvaluatorTest, NestsAsDeepAsTheLimit) {
    EXPECT_EQ(Evaluator().Evaluate(std::string(200, '(') + "1" + std::string(200, ')')), 1);
}

TEST(EvaluatorTest, ReportsReasonAndPosition) {
    try {
        Evaluator().Evaluate("#dig9>0");
        FAIL();
    } catch (const EvaluationError& error) {
        EXPECT_STREQ(error.what(), "unexpected character \"#\" at position 0");
    }
}

}  // namespace
}  // namespace quillon
