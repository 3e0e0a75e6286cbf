// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace quillon::sim {

// Appends one line per digital-output write: "SECONDS DECIMAL 0xHEX". The file is opened on
// the first write. A failure is reported once and ends logging; it never stops the outputs.
class OutputLog {
public:
    using ProblemListener = std::function<void(const std::string& message)>;

    explicit OutputLog(std::string path) : path_(std::move(path)) {}  // empty: no log
    ~OutputLog();
    OutputLog(const OutputLog&) = delete;
    OutputLog& operator=(const OutputLog&) = delete;

    void Append(double seconds, std::int16_t word, const ProblemListener& report);

    // "12.345 255 0x00FF": 3 decimals, the word as given, its 16-bit pattern in hex.

private:
    bool EnsureOpen(const ProblemListener& report);
    void Fail(const std::string& action, int reason, const ProblemListener& report);

    std::string path_;
    int fd_ = -1;
    bool failed_ = false;
};

}  // namespace quillon::sim
