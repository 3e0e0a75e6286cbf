// SPDX-License-Identifier: MIT
#pragma once

#include <string>

#include "equations/number_format.hpp"
#include "equations/tick_inputs.hpp"
#include "equations/window_statistic.hpp"

namespace quillon::testing {

// Token substitution written as plainly as it is described: whole-text replacements in their
// order, each number formatted before its replacement is tried. Kept apart from the product
// code on purpose, as the reference the fast paths are compared with.
inline void OracleReplace(std::string& text, const std::string& token,
                          const std::string& replacement) {
    std::size_t pos = 0;
    while ((pos = text.find(token, pos)) != std::string::npos) {
        text.replace(pos, token.size(), replacement);
        pos += replacement.size();
    }
}

inline std::string OracleSubstitute(const std::string& equation, const TickInputs& in) {
    static const char* const names[] = {"min", "max", "ave", "rms", "acrms", "dig", "digx"};
    std::string w = equation;
    OracleReplace(w, "#@", FormatSubstitutedNumber(in.host.HostValue(), 17));
    const int h = in.history_depth;
    const int n = in.host.ChannelCount();
    for (int ch = n - 1; ch >= 0; --ch) {
        if (w.find("#" + std::to_string(ch)) != std::string::npos) {
            OracleReplace(w, "#" + std::to_string(ch),
                          FormatSubstitutedNumber(CheckedSample(in.samples, ch, h), 17));
        }
        if (in.statistics_in_use) {
            for (int t = 0; t <= 4; ++t) {
                const std::string token = std::string("#") + names[t] + std::to_string(ch);
                if (w.find(token) != std::string::npos) {
                    OracleReplace(
                        w, token,
                        FormatSubstitutedNumber(
                            WindowStatistic(t, ch, in.window, in.data_window, in.host), 15));
                }
            }
            for (int t = 5; t <= 6; ++t) {
                for (int b = 0; b <= 7; ++b) {
                    const std::string token = std::string("#") + names[t] + std::to_string(b);
                    if (w.find(token) != std::string::npos) {
                        OracleReplace(
                            w, token,
                            FormatSubstitutedNumber(
                                WindowStatistic(t, b, in.window, in.data_window, in.host), 15));
                    }
                }
            }
        }
        for (int k = h; k >= 1; --k) {
            const std::string token =
                "#" + std::string(1, static_cast<char>(64 + k)) + std::to_string(ch);
            if (w.find(token) != std::string::npos) {
                OracleReplace(w, token,
                              FormatSubstitutedNumber(CheckedSample(in.samples, ch, h - k), 17));
            }
        }
    }
    return w;
}

}  // namespace quillon::testing
