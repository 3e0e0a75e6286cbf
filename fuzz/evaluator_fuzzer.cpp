// SPDX-License-Identifier: MIT
// Feeds arbitrary bytes to the evaluator. Wrong equations must end in EvaluationError at a
// position inside the text; any other exception, a crash or a sanitizer report is a finding.
// A finite result must also survive being substituted back as a number.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "equations/evaluator.hpp"
#include "equations/number_format.hpp"

namespace {

void CheckSubstitutedBack(const quillon::Evaluator& evaluator, double value) {
    if (!std::isfinite(value) || std::fabs(value) < 0.1) {
        return;  // 17 decimals keep every shortest digit only from 0.1 up
    }
    char text[quillon::kFormattedNumberCapacity];
    const std::size_t length = quillon::FormatSubstitutedNumberInto(value, 17, text);
    if (evaluator.Evaluate(std::string_view(text, length)) != value) {
        __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const quillon::Evaluator evaluator;
    try {
        CheckSubstitutedBack(evaluator, evaluator.Evaluate(text));
    } catch (const quillon::EvaluationError& error) {
        if (error.Position() > size) {
            __builtin_trap();
        }
    }
    return 0;
}
