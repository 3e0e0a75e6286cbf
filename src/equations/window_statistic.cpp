// SPDX-License-Identifier: MIT
#include "equations/window_statistic.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <span>
#include <string>

#include "equations/statistic_names.hpp"
#include "equations/substitution_error.hpp"

namespace quillon {
namespace {

using Samples = std::span<const double>;

void RequireWindow(const WindowBlock& window, int channel, int data_window) {
    if (channel < 0 || channel >= window.Channels()) {
        throw SubstitutionError("the window block has no channel " + std::to_string(channel));
    }
    if (window.Scans() < data_window) {
        throw SubstitutionError("the window block holds " + std::to_string(window.Scans()) +
                                " scans, the data window needs " + std::to_string(data_window));
    }
}

// The first `size` scans of a channel, in one piece of memory.
Samples WindowOf(const WindowBlock& window, int channel, int size) {
    RequireWindow(window, channel, size);
    if (!window.Holds(channel)) {
        throw SubstitutionError("the window was read without channel " + std::to_string(channel));
    }
    return window.Series(channel).first(static_cast<std::size_t>(size));
}

// Starting from the range value, a sample replaces the running minimum only when strictly
// smaller: the result is the range value unless the window's smallest sample (the oldest of
// equal ones) is below it. A window of the whole block has that sample at hand.
double Minimum(const WindowBlock& w, Samples x, int n, HostControl& host) {
    double m = host.UpperRange(static_cast<std::int16_t>(n));
    if (x.size() == static_cast<std::size_t>(w.Scans())) {
        const std::optional<double> smallest = w.SlidingMinimum(n);
        return smallest && m > *smallest ? *smallest : m;
    }
    for (const double v : x) {
        if (m > v) {
            m = v;
        }
    }
    return m;
}

double Maximum(const WindowBlock& w, Samples x, int n, HostControl& host) {
    double m = host.LowerRange(static_cast<std::int16_t>(n));
    if (x.size() == static_cast<std::size_t>(w.Scans())) {
        const std::optional<double> largest = w.SlidingMaximum(n);
        return largest && m < *largest ? *largest : m;
    }
    for (const double v : x) {
        if (m < v) {
            m = v;
        }
    }
    return m;
}

// Each sample is divided by the window size before it is added.
double Average(Samples x) {
    const auto size = static_cast<double>(x.size());
    double a = 0.0;
    for (const double v : x) {
        a = a + v / size;
    }
    return a;
}

// The largest magnitude in the window, or 0 when a sample is not finite.
double FiniteScale(Samples x) {
    double largest = 0.0;
    for (const double v : x) {
        const double magnitude = std::fabs(v);
        if (!std::isfinite(magnitude)) {
            return 0.0;
        }
        largest = std::max(largest, magnitude);
    }
    return largest;
}

// Squares of samples beyond about 1e154 overflow where the result itself is a number: then,
// and only then, the samples are divided by the largest one first and the result multiplied
// back, so that ordinary windows keep the usual order of summation bit for bit.
template <typename Statistic>
double WithoutOverflow(Samples x, Statistic statistic) {
    const double plain = statistic(x, 1.0);
    if (std::isfinite(plain)) {
        return plain;
    }
    const double scale = FiniteScale(x);
    if (scale == 0.0) {
        return plain;  // a sample that is not a number: the statistic is not either
    }
    return statistic(x, scale) * scale;
}

// Dividing by a scale of 1 changes no sample, so the plain pass skips it.
double Rms(Samples x) {
    return WithoutOverflow(x, [](Samples x, double scale) {
        const auto size = static_cast<double>(x.size());
        double s = 0.0;
        if (scale == 1.0) {
            for (const double v : x) {
                s = s + v * v / size;
            }
        } else {
            for (const double v : x) {
                const double scaled = v / scale;
                s = s + scaled * scaled / size;
            }
        }
        return std::sqrt(s);
    });
}

// The mean divides the sum once; the deviations are divided one by one.
template <bool kScaled>
double ScaledAcRms(Samples x, double scale) {
    const auto size = static_cast<double>(x.size());
    double u = 0.0;
    for (const double v : x) {
        u = u + (kScaled ? v / scale : v);
    }
    u = u / size;
    double s = 0.0;
    for (const double v : x) {
        const double d = (kScaled ? v / scale : v) - u;
        s = s + d * d / size;
    }
    return std::sqrt(s);
}

double AcRms(Samples x) {
    return WithoutOverflow(x, [](Samples x, double scale) {
        return scale == 1.0 ? ScaledAcRms<false>(x, scale) : ScaledAcRms<true>(x, scale);
    });
}

std::optional<int> DigitalInputChannel(HostControl& host) {
    const std::int16_t channels = host.ChannelCount();
    for (std::int16_t ch = 0; ch < channels; ++ch) {
        if (host.DigitalInputMark(ch) == -1) {
            return ch;
        }
    }
    return std::nullopt;
}

// The digital statistics read the window's newest scan, which the block keeps for every
// channel.
std::int32_t DigitalValue(const WindowBlock& w, int channel, int size) {
    RequireWindow(w, channel, size);
    if (w.Scans() != size && !w.Holds(channel)) {
        throw SubstitutionError("the window was read without channel " + std::to_string(channel));
    }
    const double v = std::floor(w.Scans() == size ? w.Newest(channel) : w.At(channel, size - 1));
    if (!(v >= std::numeric_limits<std::int32_t>::min() &&
          v <= std::numeric_limits<std::int32_t>::max())) {
        throw SubstitutionError("the digital input reads " + std::to_string(v) +
                                ", which does not fit 32 bits");
    }
    return static_cast<std::int32_t>(v);
}

double Digital(int statistic, int bit, const WindowBlock& w, int size, HostControl& host) {
    const std::optional<int> channel = DigitalInputChannel(host);
    if (!channel) {
        return -1.0;
    }
    const std::int32_t v = DigitalValue(w, *channel, size);
    if (statistic == kStatisticDigitalValue) {
        return v;
    }
    if (bit < 0 || bit >= 32) {
        return 0.0;
    }
    return (static_cast<std::uint32_t>(v) & (std::uint32_t{1} << bit)) != 0 ? 1.0 : 0.0;
}

}  // namespace

double WindowStatistic(int statistic, int argument, const WindowBlock& window,
                       std::int16_t data_window, HostControl& host) {
    const int size = data_window < 1 ? 1 : data_window;
    if (statistic == kStatisticDigitalBit || statistic == kStatisticDigitalValue) {
        return Digital(statistic, argument, window, size, host);
    }
    const Samples x = WindowOf(window, argument, size);
    switch (statistic) {
        case kStatisticMin:
            return Minimum(window, x, argument, host);
        case kStatisticMax:
            return Maximum(window, x, argument, host);
        case kStatisticAverage:
            return Average(x);
        case kStatisticRms:
            return Rms(x);
        case kStatisticAcRms:
            return AcRms(x);
        default:
            throw SubstitutionError("unknown statistic " + std::to_string(statistic));
    }
}

}  // namespace quillon
