// SPDX-License-Identifier: MIT
#include "equations/window_statistic.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <string>

#include "equations/statistic_names.hpp"
#include "equations/substitution_error.hpp"

namespace quillon {
namespace {

void RequireWindow(const SampleBlock& window, int channel, int data_window) {
    if (channel < 0 || channel >= window.Channels()) {
        throw SubstitutionError("the window block has no channel " + std::to_string(channel));
    }
    if (window.Scans() < data_window) {
        throw SubstitutionError("the window block holds " + std::to_string(window.Scans()) +
                                " scans, the data window needs " + std::to_string(data_window));
    }
}

double Minimum(const SampleBlock& w, int n, int size, HostControl& host) {
    double m = host.UpperRange(static_cast<std::int16_t>(n));
    for (int i = 0; i < size; ++i) {
        if (m > w.At(n, i)) {
            m = w.At(n, i);
        }
    }
    return m;
}

double Maximum(const SampleBlock& w, int n, int size, HostControl& host) {
    double m = host.LowerRange(static_cast<std::int16_t>(n));
    for (int i = 0; i < size; ++i) {
        if (m < w.At(n, i)) {
            m = w.At(n, i);
        }
    }
    return m;
}

// Each sample is divided by the window size before it is added.
double Average(const SampleBlock& w, int n, int size) {
    double a = 0.0;
    for (int i = 0; i < size; ++i) {
        a = a + w.At(n, i) / size;
    }
    return a;
}

// The largest magnitude in the window, or 0 when a sample is not finite.
double FiniteScale(const SampleBlock& w, int n, int size) {
    double largest = 0.0;
    for (int i = 0; i < size; ++i) {
        const double magnitude = std::fabs(w.At(n, i));
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
double WithoutOverflow(const SampleBlock& w, int n, int size, Statistic statistic) {
    const double plain = statistic(w, n, size, 1.0);
    if (std::isfinite(plain)) {
        return plain;
    }
    const double scale = FiniteScale(w, n, size);
    if (scale == 0.0) {
        return plain;  // a sample that is not a number: the statistic is not either
    }
    return statistic(w, n, size, scale) * scale;
}

double Rms(const SampleBlock& w, int n, int size) {
    return WithoutOverflow(w, n, size, [](const SampleBlock& w, int n, int size, double scale) {
        double s = 0.0;
        for (int i = 0; i < size; ++i) {
            const double x = w.At(n, i) / scale;
            s = s + x * x / size;
        }
        return std::sqrt(s);
    });
}

// The mean divides the sum once; the deviations are divided one by one.
double AcRms(const SampleBlock& w, int n, int size) {
    return WithoutOverflow(w, n, size, [](const SampleBlock& w, int n, int size, double scale) {
        double u = 0.0;
        for (int i = 0; i < size; ++i) {
            u = u + w.At(n, i) / scale;
        }
        u = u / size;
        double s = 0.0;
        for (int i = 0; i < size; ++i) {
            const double d = w.At(n, i) / scale - u;
            s = s + d * d / size;
        }
        return std::sqrt(s);
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

std::int32_t DigitalValue(const SampleBlock& w, int channel, int size) {
    RequireWindow(w, channel, size);
    const double v = std::floor(w.At(channel, size - 1));
    if (!(v >= std::numeric_limits<std::int32_t>::min() &&
          v <= std::numeric_limits<std::int32_t>::max())) {
        throw SubstitutionError("the digital input reads " + std::to_string(v) +
                                ", which does not fit 32 bits");
    }
    return static_cast<std::int32_t>(v);
}

double Digital(int statistic, int bit, const SampleBlock& w, int size, HostControl& host) {
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

double WindowStatistic(int statistic, int argument, const SampleBlock& window,
                       std::int16_t data_window, HostControl& host) {
    const int size = data_window < 1 ? 1 : data_window;
    if (statistic == kStatisticDigitalBit || statistic == kStatisticDigitalValue) {
        return Digital(statistic, argument, window, size, host);
    }
    RequireWindow(window, argument, size);
    switch (statistic) {
        case kStatisticMin:
            return Minimum(window, argument, size, host);
        case kStatisticMax:
            return Maximum(window, argument, size, host);
        case kStatisticAverage:
            return Average(window, argument, size);
        case kStatisticRms:
            return Rms(window, argument, size);
        case kStatisticAcRms:
            return AcRms(window, argument, size);
        default:
            throw SubstitutionError("unknown statistic " + std::to_string(statistic));
    }
}

}  // namespace quillon
