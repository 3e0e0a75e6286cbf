// SPDX-License-Identifier: MIT
#include "host/sim/waveform.hpp"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <numbers>
#include <stdexcept>
#include <string>

namespace quillon::sim {

namespace {

void RequireFinite(const char* shape, const char* name, double value) {
    if (!std::isfinite(value)) {
        throw std::invalid_argument(std::string(shape) + " " + name + " must be a finite number");
    }
}

// Finite parameters can still give samples past the largest double (infinite, or NaN from
// inf - inf): the values between `a` and `b` must all be finite.
void RequireFiniteSpan(const char* shape, const char* names, double a, double b) {
    if (!std::isfinite(std::fabs(a) + std::fabs(b)) || !std::isfinite(b - a)) {
        throw std::invalid_argument(std::string(shape) + " " + names +
                                    " give values beyond the largest number (1.8e308)");
    }
}

void RequirePeriod(const char* shape, double period) {
    RequireFinite(shape, "period", period);
    if (period <= 0.0) {
        throw std::invalid_argument(std::string(shape) + " period must be greater than 0");
    }
}

// Position within the current period, in [0, 1).
double CycleFraction(double seconds, double period) {
    return std::fmod(seconds, period) / period;
}

// SplitMix64 finaliser: spreads neighbouring scan indices over the whole 64-bit range.
std::uint64_t Mix(std::uint64_t x) {
    x += 0x9E3779B97F4A7C15ULL;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
}

}  // namespace

Waveform Waveform::Constant(double value) {
    RequireFinite("constant", "value", value);
    return Waveform(ConstantShape{value});
}

Waveform Waveform::Sine(double offset, double amplitude, double period, double phase_degrees) {
    RequireFinite("sine", "offset", offset);
    RequireFinite("sine", "amplitude", amplitude);
    RequireFinite("sine", "phase", phase_degrees);
    RequirePeriod("sine", period);
    RequireFiniteSpan("sine", "offset and amplitude", offset, amplitude);
    return Waveform(SineShape{offset, amplitude, period, phase_degrees / 360.0});
}

Waveform Waveform::Square(double low, double high, double period, double duty) {
    RequireFinite("square", "low", low);
    RequireFinite("square", "high", high);
    RequirePeriod("square", period);
    if (!(duty >= 0.0 && duty <= 1.0)) {
        throw std::invalid_argument("square duty must be between 0 and 1");
    }
    return Waveform(SquareShape{low, high, period, duty});
}

Waveform Waveform::Ramp(double from, double to, double period) {
    RequireFinite("ramp", "from", from);
    RequireFinite("ramp", "to", to);
    RequirePeriod("ramp", period);
    RequireFiniteSpan("ramp", "from and to", from, to);
    return Waveform(RampShape{from, to, period});
}

Waveform Waveform::Noise(double mean, double amplitude, std::uint64_t seed) {
    RequireFinite("noise", "mean", mean);
    RequireFinite("noise", "amplitude", amplitude);
    RequireFiniteSpan("noise", "mean and amplitude", mean, amplitude);
    return Waveform(NoiseShape{mean, amplitude, seed});
}

Waveform Waveform::Steps(std::vector<Step> steps) {
    for (std::size_t i = 0; i < steps.size(); ++i) {
        RequireFinite("steps", "time", steps[i].seconds);
        RequireFinite("steps", "value", steps[i].value);
        if (steps[i].seconds < 0.0) {
            throw std::invalid_argument("steps times must not be negative");
        }
        if (i > 0 && steps[i].seconds <= steps[i - 1].seconds) {
            throw std::invalid_argument("steps times must be strictly increasing");
        }
    }
    return Waveform(StepsShape{std::move(steps)});
}

double Waveform::ValueAt(std::int64_t scan, double scan_rate) const {
    const double seconds = static_cast<double>(scan) / scan_rate;
    return std::visit([&](const auto& shape) { return Value(shape, scan, seconds); }, shape_);
}

double Waveform::Value(const ConstantShape& shape, std::int64_t, double) {
    return shape.value;
}

double Waveform::Value(const SineShape& shape, std::int64_t, double seconds) {
    const double turns = CycleFraction(seconds, shape.period) + shape.phase_turns;
    return shape.offset + shape.amplitude * std::sin(2.0 * std::numbers::pi * turns);
}

double Waveform::Value(const SquareShape& shape, std::int64_t, double seconds) {
    return CycleFraction(seconds, shape.period) < shape.duty ? shape.high : shape.low;
}

double Waveform::Value(const RampShape& shape, std::int64_t, double seconds) {
    return shape.from + (shape.to - shape.from) * CycleFraction(seconds, shape.period);
}

double Waveform::Value(const NoiseShape& shape, std::int64_t scan, double) {
    const std::uint64_t bits = Mix(Mix(shape.seed) ^ static_cast<std::uint64_t>(scan));
    const double unit = static_cast<double>(bits >> 11) * 0x1.0p-53;  // [0, 1)
    return shape.mean + shape.amplitude * (2.0 * unit - 1.0);
}

double Waveform::Value(const StepsShape& shape, std::int64_t, double seconds) {
    const auto after =
        std::upper_bound(shape.steps.begin(), shape.steps.end(), seconds,
                         [](double time, const Step& step) { return time < step.seconds; });
    return after == shape.steps.begin() ? 0.0 : std::prev(after)->value;
}

}  // namespace quillon::sim
