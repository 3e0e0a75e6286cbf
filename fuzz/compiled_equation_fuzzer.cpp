// SPDX-License-Identifier: MIT
// Runs an equation both ways: compiled (the tokens' numbers straight into its program) and
// written (the numeric expression read by the evaluator). The first bytes are the tick's
// samples and the host value, the rest the equation. Any difference in value bits or failure
// message, a crash or a sanitizer report is a finding.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "equations/evaluator.hpp"
#include "equations/token_substituter.hpp"

namespace {

constexpr int kChannels = 3;
constexpr int kHistoryDepth = 2;
constexpr std::int16_t kDataWindow = 3;
constexpr std::size_t kValues = 2 * kChannels * (kHistoryDepth + 1) + 1;

// A host of three channels, channel 1 the digital input.
class FuzzHost final : public quillon::HostControl {
public:
    double host_value = 0.0;

    void SetIdentification(const std::string&) override {}
    std::string Identification() override { return "fuzz"; }
    std::int16_t ChannelCount() override { return kChannels; }
    double HostValue() override { return host_value; }
    double UpperRange(std::int16_t) override { return 10.0; }
    double LowerRange(std::int16_t) override { return -10.0; }
    std::int32_t InstrumentModel(std::int16_t) override { return 0; }
    std::int16_t DigitalInputMark(std::int16_t channel) override { return channel == 1 ? -1 : 0; }
    void PrepareAcquisition() override {}
    void CompleteStartup() override {}
    void WriteDigitalOutputs(std::int16_t) override {}
    void ReadScans(std::int16_t, quillon::SampleBlock&) override {}
    std::string ChannelText(std::int16_t) override { return {}; }
};

template <typename Evaluate>
std::string Outcome(Evaluate evaluate) {
    try {
        return std::to_string(std::bit_cast<std::uint64_t>(evaluate()));
    } catch (const std::exception& error) {
        return std::string("failed: ") + error.what();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    double values[kValues] = {};
    const std::size_t value_bytes = sizeof values;
    std::memcpy(values, data, size < value_bytes ? size : value_bytes);
    const std::string equation(
        reinterpret_cast<const char*>(data) + (size < value_bytes ? size : value_bytes),
        size < value_bytes ? 0 : size - value_bytes);

    FuzzHost host;
    quillon::SampleBlock samples(kChannels, kHistoryDepth + 1);
    quillon::WindowBlock window(kChannels, kDataWindow);
    const double* next = values;
    for (int c = 0; c < kChannels; ++c) {
        for (int s = 0; s <= kHistoryDepth; ++s) {
            samples.Set(c, s, *next++);
            window.Set(c, s, *next++);
        }
    }
    host.host_value = *next;
    const quillon::TickInputs inputs{samples, window, kHistoryDepth, true, kDataWindow, host};

    quillon::TokenSubstituter compiled;
    quillon::TokenSubstituter written;
    const std::string by_program =
        Outcome([&] { return compiled.EvaluateEquation(0, equation, inputs); });
    const std::string by_text = Outcome([&] {
        return quillon::Evaluator().Evaluate(written.SubstituteTokens(0, equation, inputs));
    });
    if (by_program != by_text) {
        __builtin_trap();
    }
    if (by_program.rfind("failed: ", 0) != 0 &&
        compiled.LastExpression() != written.SubstituteTokens(0, equation, inputs)) {
        __builtin_trap();
    }
    return 0;
}
