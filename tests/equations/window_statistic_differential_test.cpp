// SPDX-License-Identifier: MIT
// Window statistics on the window block (only the selected channels, each contiguous) against
// the straightforward reading of a whole block, scan by scan: equal bit for bit.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "equations/window_statistic.hpp"
#include "fakes/recording_host.hpp"

namespace quillon {
namespace {

using testing::RecordingHost;

// The statistics exactly as described: visit the window in ascending scan order, divide each
// term by W before adding it, and take the range values as the starting extremes.
double Straightforward(int t, int n, const SampleBlock& w, int size, HostControl& host) {
    double m = 0.0;
    switch (t) {
        case 0:
            m = host.UpperRange(static_cast<std::int16_t>(n));
            for (int i = 0; i < size; ++i) {
                if (m > w.At(n, i)) {
                    m = w.At(n, i);
                }
            }
            return m;
        case 1:
            m = host.LowerRange(static_cast<std::int16_t>(n));
            for (int i = 0; i < size; ++i) {
                if (m < w.At(n, i)) {
                    m = w.At(n, i);
                }
            }
            return m;
        case 2:
            for (int i = 0; i < size; ++i) {
                m = m + w.At(n, i) / size;
            }
            return m;
        case 3:
            for (int i = 0; i < size; ++i) {
                m = m + w.At(n, i) * w.At(n, i) / size;
            }
            return std::sqrt(m);
        default: {
            double u = 0.0;
            for (int i = 0; i < size; ++i) {
                u = u + w.At(n, i);
            }
            u = u / size;
            for (int i = 0; i < size; ++i) {
                m = m + (w.At(n, i) - u) * (w.At(n, i) - u) / size;
            }
            return std::sqrt(m);
        }
    }
}

std::uint64_t Bits(double value) {
    return std::isnan(value) ? 0x7ff8000000000000u : std::bit_cast<std::uint64_t>(value);
}

TEST(WindowStatisticDifferentialTest, SelectedContiguousWindowsGiveTheSameBits) {
    std::mt19937 random(20261211);
    const auto pick = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    const auto sample = [&]() -> double {
        switch (pick(0, 9)) {
            case 0:
                return pick(-2, 2);  // ties, and zeros of both signs below
            case 1:
                return pick(0, 1) == 0 ? -0.0 : 0.0;
            case 2:
                return pick(0, 50) == 0 ? std::nan("") : 1e-300 * pick(-9, 9);
            default:
                return std::uniform_real_distribution<double>(-1e6, 1e6)(random) /
                       std::pow(10.0, pick(0, 12));
        }
    };
    RecordingHost host;
    host.record = false;
    for (int round = 0; round < 3000; ++round) {
        const int channels = pick(1, 12);
        const int size = pick(0, 3) == 0 ? pick(1, 3) : pick(1, 400);
        host.channels = static_cast<std::int16_t>(channels);
        host.upper_range = sample();
        host.lower_range = sample();
        SampleBlock plain(channels, size);
        for (int c = 0; c < channels; ++c) {
            for (int s = 0; s < size; ++s) {
                plain.Set(c, s, sample());
            }
        }
        const int n = pick(0, channels - 1);
        WindowBlock window;
        std::vector<std::int16_t> selected{static_cast<std::int16_t>(n)};
        for (int extra = pick(0, 3); extra > 0; --extra) {
            selected.push_back(static_cast<std::int16_t>(pick(0, channels - 1)));
        }
        window.Select(selected);
        window.CopyFrom(plain);
        for (int t = 0; t <= 4; ++t) {
            const double expected = Straightforward(t, n, plain, size, host);
            const double actual =
                WindowStatistic(t, n, window, static_cast<std::int16_t>(size), host);
            ASSERT_EQ(Bits(actual), Bits(expected))
                << "statistic " << t << ", window of " << size << ", round " << round;
        }
    }
}

// A window that slides by a few scans at a time, as the hosts that number their scans fill
// it: the extremes kept from read to read equal a fresh look at the whole window.
TEST(WindowStatisticDifferentialTest, SlidingExtremesEqualTheStraightforwardReading) {
    std::mt19937 random(20261212);
    const auto pick = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    const auto sample = [&]() -> double {
        const int kind = pick(0, 20);
        if (kind == 0) {
            return std::nan("");
        }
        if (kind == 1) {
            return pick(0, 1) == 0 ? -0.0 : 0.0;
        }
        return pick(-6, 6) * 0.5;  // many ties
    };
    RecordingHost host;
    host.record = false;
    host.channels = 2;
    host.upper_range = 2.5;
    host.lower_range = -2.5;
    for (const int size : {1, 2, 7, 64}) {
        WindowBlock window;
        window.Select({1});
        std::vector<double> stream;
        std::int64_t newest = -1;
        for (int read = 0; read < 400; ++read) {
            const int step = pick(0, 9) == 0 ? pick(0, 2 * size) : pick(0, 3);
            newest += step;
            const int fresh = window.BeginRead(2, size, newest, pick(0, 30) != 0);
            for (int i = 0; i < fresh; ++i) {
                stream.push_back(sample());
            }
            if (fresh == size) {
                stream.erase(stream.begin(), stream.end() - size);
            }
            std::copy(stream.end() - fresh, stream.end(), window.FreshSeries(1));
            SampleBlock plain(2, size);
            for (int s = 0; s < size; ++s) {
                plain.Set(1, s, stream[stream.size() - static_cast<std::size_t>(size - s)]);
            }
            for (int t = 0; t <= 1; ++t) {
                ASSERT_EQ(
                    Bits(WindowStatistic(t, 1, window, static_cast<std::int16_t>(size), host)),
                    Bits(Straightforward(t, 1, plain, size, host)))
                    << "statistic " << t << ", window " << size << ", read " << read;
            }
        }
    }
}

// The worked examples: window 1, 2, 3, 4; a single scan; samples beside the range values.
struct WorkedWindow {
    const char* name;
    std::vector<double> samples;
};

class WorkedWindowTest : public ::testing::TestWithParam<WorkedWindow> {};

TEST_P(WorkedWindowTest, EqualsTheStraightforwardReading) {
    const std::vector<double>& samples = GetParam().samples;
    const int size = static_cast<int>(samples.size());
    RecordingHost host;
    host.channels = 2;
    SampleBlock plain(2, size);
    for (int s = 0; s < size; ++s) {
        plain.Set(1, s, samples[static_cast<std::size_t>(s)]);
    }
    WindowBlock window;
    window.Select({1});
    window.CopyFrom(plain);
    for (int t = 0; t <= 4; ++t) {
        EXPECT_EQ(Bits(WindowStatistic(t, 1, window, static_cast<std::int16_t>(size), host)),
                  Bits(Straightforward(t, 1, plain, size, host)))
            << "statistic " << t;
    }
}

INSTANTIATE_TEST_SUITE_P(Windows, WorkedWindowTest,
                         ::testing::Values(WorkedWindow{"OneToFour", {1, 2, 3, 4}},
                                           WorkedWindow{"Single", {-3}},
                                           WorkedWindow{"AboveTheRange", {11, 12}},
                                           WorkedWindow{"BelowTheRange", {-11, -12}},
                                           WorkedWindow{"Tenths", {0.1, 0.2, 0.3, 0.7}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(WindowStatisticDifferentialTest, AChannelReadWithoutItsWindowFailsTheSlot) {
    RecordingHost host;
    host.channels = 3;
    host.digital_channel = 2;
    SampleBlock plain(3, 2);
    plain.Set(2, 1, 5);
    WindowBlock window;
    window.Select({0});
    window.CopyFrom(plain);
    EXPECT_THROW(WindowStatistic(2, 1, window, 2, host), std::exception);
    // The digital input's newest scan is kept for every channel.
    EXPECT_EQ(WindowStatistic(6, 0, window, 2, host), 5);
}

}  // namespace
}  // namespace quillon
