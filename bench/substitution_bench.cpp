// SPDX-License-Identifier: MIT
// SubstituteTokens on a typical equation (a channel, a history and a statistic token), 8 to
// 256 channels, history depth 3, statistics in use: the plain replacement sequence against the
// equation compiled once per run.
#include <benchmark/benchmark.h>

#include "equations/substitution_oracle.hpp"
#include "equations/token_substituter.hpp"
#include "fakes/recording_host.hpp"

namespace quillon {
namespace {

constexpr const char* kEquation = "(#3>2.5)&(#C1<#1)|(#rms2>1.5)";

struct Tick {
    testing::RecordingHost host;
    SampleBlock samples;
    WindowBlock window;

    explicit Tick(int channels) : samples(channels, 4), window(channels, 100) {
        host.channels = static_cast<std::int16_t>(channels);
        host.record = false;
        for (int c = 0; c < channels; ++c) {
            for (int s = 0; s < 4; ++s) {
                samples.Set(c, s, 0.1 * c + 1.37 * s);
            }
            for (int s = 0; s < 100; ++s) {
                window.Set(c, s, 0.5 * c - 0.03 * s);
            }
        }
    }
    TickInputs Inputs() { return {samples, window, 3, true, 100, host}; }
};

void BM_ReplacementSequence(benchmark::State& state) {
    Tick tick(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(testing::OracleSubstitute(kEquation, tick.Inputs()));
    }
}

void BM_CompiledEquation(benchmark::State& state) {
    Tick tick(static_cast<int>(state.range(0)));
    TokenSubstituter substituter;
    for (auto _ : state) {
        benchmark::DoNotOptimize(substituter.SubstituteTokens(0, kEquation, tick.Inputs()).data());
    }
}

BENCHMARK(BM_ReplacementSequence)->Arg(8)->Arg(32)->Arg(256)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CompiledEquation)->Arg(8)->Arg(32)->Arg(256)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace quillon

BENCHMARK_MAIN();
