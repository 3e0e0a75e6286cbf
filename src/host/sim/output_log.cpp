// SPDX-License-Identifier: MIT
#include "host/sim/output_log.hpp"

#include <array>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <system_error>

namespace quillon::sim {

void OutputLog::Append(double seconds, std::int16_t word, const ProblemListener& report) {
    if (path_.empty() || failed_ || !EnsureOpen(report)) {
        return;
    }
    file_ << FormatLine(seconds, word) << '\n';
    file_.flush();  // someone may be watching the file with tail -f
    if (!file_) {
        Fail("cannot write", errno, report);
    }
}

std::string OutputLog::FormatLine(double seconds, std::int16_t word) {
    // to_chars and %X ignore the global locale, so the log reads the same everywhere.
    std::array<char, 64> time{};
    const auto end =
        std::to_chars(time.data(), time.data() + time.size(), seconds, std::chars_format::fixed, 3)
            .ptr;
    std::array<char, 8> hex{};
    std::snprintf(hex.data(), hex.size(), "%04X",
                  static_cast<unsigned>(static_cast<std::uint16_t>(word)));
    return std::string(time.data(), end) + " " + std::to_string(word) + " 0x" + hex.data();
}

bool OutputLog::EnsureOpen(const ProblemListener& report) {
    if (!file_.is_open()) {
        file_.open(path_, std::ios::app);
        if (!file_.is_open()) {
            Fail("cannot open", errno, report);
            return false;
        }
    }
    return true;
}

void OutputLog::Fail(const std::string& action, int reason, const ProblemListener& report) {
    failed_ = true;
    if (report) {
        report("simulated instrument: " + action + " output log " + path_ + ": " +
               std::generic_category().message(reason));
    }
}

}  // namespace quillon::sim
