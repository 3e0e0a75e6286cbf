// SPDX-License-Identifier: MIT
#pragma once

namespace quillon::testing {

// Steps, a square and a sine switch the slots many times in 20 s.
constexpr const char* kRigScenario =
    "channels 3\n"
    "scan-rate 100\n"
    "channel 0 steps 0.5:5 1.23:0 2.5:5 3.77:0 6.01:4 9.99:0 12.34:5 15.55:0 17.89:5 19:0\n"
    "channel 1 square low=0 high=5 period=3.33 duty=0.4\n"
    "channel 2 sine offset=0 amplitude=2 period=7\n";

// Instance Rig's equations over that scenario: samples, a digital bit, statistics, a constant.
constexpr const char* kRigSettings =
    "[Rig]\n"
    "MathExpression0=#0>3\n"
    "MathExpression1=#1>3\n"
    "MathExpression2=#2>1\n"
    "MathExpression3=(#0>3)&(#1>3)\n"
    "MathExpression4=#C0>3\n"
    "MathExpression5=#ave2>0\n"
    "MathExpression6=#max1>4\n"
    "MathExpression7=0\n"
    "MathExpression8=#2>1.5\n"
    "S8=Set\n"
    "DataWindow=50\n";

}  // namespace quillon::testing
