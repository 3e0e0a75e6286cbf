// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <utility>
#include <variant>
#include <vector>

namespace quillon::sim {

// The value of one channel as a function of its scan index. Time is scan / scan rate, so a
// scan read twice gives the same value. Factories raise std::invalid_argument on bad shapes.
class Waveform {
public:
    struct Step {
        double seconds;
        double value;
    };

    static Waveform Constant(double value);
    // phase in degrees, added to the sine's angle.
    static Waveform Sine(double offset, double amplitude, double period, double phase_degrees);
    // high during the first duty (0..1) of each period, low for the rest.
    static Waveform Square(double low, double high, double period, double duty);
    // Sawtooth: from at the start of each period, rising linearly towards to.
    static Waveform Ramp(double from, double to, double period);
    // Uniform in [mean - amplitude, mean + amplitude], a pure function of (seed, scan).
    static Waveform Noise(double mean, double amplitude, std::uint64_t seed);
    // Piecewise constant: 0 before the first step, then each step's value from its time on.
    // Times must be strictly increasing.
    static Waveform Steps(std::vector<Step> steps);

    // scan >= 0, scan_rate > 0.
    double ValueAt(std::int64_t scan, double scan_rate) const;

private:
    struct ConstantShape {
        double value;
    };
    struct SineShape {
        double offset, amplitude, period;
        double phase_turns;  // phase_degrees / 360, divided once
    };
    struct SquareShape {
        double low, high, period, duty;
    };
    struct RampShape {
        double from, to, period;
    };
    struct NoiseShape {
        double mean, amplitude;
        std::uint64_t seed;
    };
    struct StepsShape {
        std::vector<Step> steps;
    };
    using Shape =
        std::variant<ConstantShape, SineShape, SquareShape, RampShape, NoiseShape, StepsShape>;

    // Built in place: moving a whole Shape in made GCC see the vector of a StepsShape that
    // was never there (a false -Wmaybe-uninitialized at -O1).
    template <typename Alternative>
    explicit Waveform(Alternative shape)
        : shape_(std::in_place_type<Alternative>, std::move(shape)) {}

    static double Value(const ConstantShape& shape, std::int64_t scan, double seconds);
    static double Value(const SineShape& shape, std::int64_t scan, double seconds);
    static double Value(const SquareShape& shape, std::int64_t scan, double seconds);
    static double Value(const RampShape& shape, std::int64_t scan, double seconds);
    static double Value(const NoiseShape& shape, std::int64_t scan, double seconds);
    static double Value(const StepsShape& shape, std::int64_t scan, double seconds);

    Shape shape_;
};

}  // namespace quillon::sim
