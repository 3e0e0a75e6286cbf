// SPDX-License-Identifier: MIT
// One-shot evaluation from text of substituted sample equations, against muparser where it
// was found, and number formatting. Ends with the geometric mean of each family.
#include <benchmark/benchmark.h>

#include <cmath>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "equations/evaluator.hpp"
#include "equations/number_format.hpp"

#ifdef QUILLON_WITH_MUPARSER
#include <muParser.h>
#endif

namespace {

struct SampleEquation {
    const char* text;
    const char* muparser_text;  // muparser spells "&" as "&&"
};

constexpr SampleEquation kSamples[] = {
    {"9.>=(2.5+1.)", "9.>=(2.5+1.)"},
    {"5.>3.3", "5.>3.3"},
    {"20*log10(200.)>23", "20*log10(200.)>23"},
    {"avg(1.,2.,3.,3.)<8 ", "avg(1.,2.,3.,3.)<8 "},
    {"min(.5,9.)<2", "min(.5,9.)<2"},
    {"max(1.,2.,4.)>3.3", "max(1.,2.,4.)>3.3"},
    {"(1.+2.)>3", "(1.+2.)>3"},
    {"(1.<3)&(4.<5)", "(1.<3)&&(4.<5)"},
};

constexpr double kFormatSamples[] = {3.25, -0.5, 1234.5, 0.1, 123456789.123456789, 1e20, -0.0041};

void EvaluateQuillon(benchmark::State& state, std::string_view text) {
    const quillon::Evaluator evaluator;
    for (auto _ : state) {
        benchmark::DoNotOptimize(evaluator.Evaluate(text));
    }
}

#ifdef QUILLON_WITH_MUPARSER
void EvaluateMuparser(benchmark::State& state, SampleEquation sample) {
    const std::string text = sample.muparser_text;
    mu::Parser parser;
    parser.SetExpr(text);
    if (parser.Eval() != quillon::Evaluator().Evaluate(sample.text)) {
        state.SkipWithError("muparser reads the equation differently");
    }
    for (auto _ : state) {
        parser.SetExpr(text);
        benchmark::DoNotOptimize(parser.Eval());
    }
}
#endif

void FormatNumber(benchmark::State& state, double value) {
    char text[quillon::kFormattedNumberCapacity];
    for (auto _ : state) {
        benchmark::DoNotOptimize(quillon::FormatSubstitutedNumberInto(value, 17, text));
        benchmark::ClobberMemory();
    }
}

void RegisterBenchmarks() {
    for (const SampleEquation& sample : kSamples) {
        benchmark::RegisterBenchmark(("Evaluate/" + std::string(sample.text)).c_str(),
                                     EvaluateQuillon, std::string_view(sample.text));
#ifdef QUILLON_WITH_MUPARSER
        benchmark::RegisterBenchmark(("muparser/" + std::string(sample.muparser_text)).c_str(),
                                     EvaluateMuparser, sample);
#endif
    }
    for (const double value : kFormatSamples) {
        benchmark::RegisterBenchmark(
            ("FormatSubstitutedNumberInto/" + quillon::FormatSubstitutedNumber(value, 17)).c_str(),
            FormatNumber, value);
    }
}

// Prints as the console does, then the geometric mean of the times of each family.
class GeometricMeanReporter : public benchmark::ConsoleReporter {
public:
    GeometricMeanReporter() : ConsoleReporter(OO_Tabular) {}  // plain text: read in logs

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration && !run.error_occurred) {
                const std::string name = run.benchmark_name();
                log_times_[name.substr(0, name.find('/'))].push_back(
                    std::log(run.GetAdjustedRealTime()));
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        for (const auto& [family, logs] : log_times_) {
            GetOutputStream() << "geometric mean " << family << ": " << GeometricMean(family)
                              << " ns\n";
        }
        if (log_times_.count("muparser") > 0 && log_times_.count("Evaluate") > 0) {
            GetOutputStream() << "muparser / Evaluate: "
                              << GeometricMean("muparser") / GeometricMean("Evaluate") << "x\n";
        }
    }

private:
    double GeometricMean(const std::string& family) const {
        const std::vector<double>& logs = log_times_.at(family);
        double sum = 0.0;
        for (const double log_time : logs) {
            sum += log_time;
        }
        return std::exp(sum / static_cast<double>(logs.size()));
    }

    std::map<std::string, std::vector<double>> log_times_;
};

}  // namespace

int main(int argc, char** argv) {
    RegisterBenchmarks();
    benchmark::Initialize(&argc, argv);
    GeometricMeanReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
