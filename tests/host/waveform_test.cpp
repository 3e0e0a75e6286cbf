// SPDX-License-Identifier: MIT
#include "host/sim/waveform.hpp"

#include <gtest/gtest.h>

#include <stdexcept>

namespace quillon::sim {
namespace {

constexpr double kRate = 1000.0;

struct ValueCase {
    const char* name;
    Waveform waveform;
    double seconds;
    double expected;
};

class WaveformValue : public ::testing::TestWithParam<ValueCase> {};

TEST_P(WaveformValue, AtTime) {
    const ValueCase& c = GetParam();
    const auto scan = static_cast<std::int64_t>(c.seconds * kRate);
    EXPECT_NEAR(c.waveform.ValueAt(scan, kRate), c.expected, 1e-9);
}

const Waveform kSine = Waveform::Sine(3.3, 2.0, 6.0, 0.0);
const Waveform kSquare = Waveform::Square(0.0, 255.0, 2.0, 0.25);
const Waveform kRamp = Waveform::Ramp(-1.0, 3.0, 4.0);
const Waveform kSteps = Waveform::Steps({{0.5, 1.0}, {2.5, 5.0}, {5.0, -2.0}});

INSTANTIATE_TEST_SUITE_P(
    Shapes, WaveformValue,
    ::testing::Values(
        ValueCase{"constant", Waveform::Constant(4.5), 7.0, 4.5},
        ValueCase{"sine_start", kSine, 0.0, 3.3}, ValueCase{"sine_peak", kSine, 1.5, 5.3},
        ValueCase{"sine_trough", kSine, 4.5, 1.3}, ValueCase{"sine_next_period", kSine, 7.5, 5.3},
        ValueCase{"sine_phase", Waveform::Sine(0.0, 1.0, 4.0, 90.0), 0.0, 1.0},
        ValueCase{"square_high", kSquare, 0.0, 255.0},
        ValueCase{"square_duty_end", kSquare, 0.5, 0.0},
        ValueCase{"square_next_period", kSquare, 2.1, 255.0},
        ValueCase{"ramp_start", kRamp, 0.0, -1.0}, ValueCase{"ramp_middle", kRamp, 2.0, 1.0},
        ValueCase{"ramp_restarts", kRamp, 5.0, 0.0},
        ValueCase{"steps_before_first", kSteps, 0.25, 0.0},
        ValueCase{"steps_at_first", kSteps, 0.5, 1.0}, ValueCase{"steps_between", kSteps, 2.0, 1.0},
        ValueCase{"steps_second", kSteps, 2.5, 5.0},
        ValueCase{"steps_after_last", kSteps, 100.0, -2.0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WaveformNoise, SameScanSameValueWithinAmplitude) {
    const Waveform noise = Waveform::Noise(2.0, 0.5, 7);
    bool varies = false;
    for (std::int64_t scan = 0; scan < 1000; ++scan) {
        const double value = noise.ValueAt(scan, kRate);
        EXPECT_EQ(value, noise.ValueAt(scan, kRate));
        EXPECT_GE(value, 1.5);
        EXPECT_LE(value, 2.5);
        varies = varies || value != noise.ValueAt(0, kRate);
    }
    EXPECT_TRUE(varies);
}

TEST(WaveformNoise, SeedChangesTheSeries) {
    EXPECT_NE(Waveform::Noise(0, 1, 1).ValueAt(5, kRate),
              Waveform::Noise(0, 1, 2).ValueAt(5, kRate));
}

TEST(WaveformFactory, RejectsBadShapes) {
    EXPECT_THROW(Waveform::Sine(0, 1, 0, 0), std::invalid_argument);
    EXPECT_THROW(Waveform::Square(0, 1, 1, 1.5), std::invalid_argument);
    EXPECT_THROW(Waveform::Ramp(0, 1, -2), std::invalid_argument);
    EXPECT_THROW(Waveform::Steps({{2, 1}, {1, 2}}), std::invalid_argument);
}

}  // namespace
}  // namespace quillon::sim
