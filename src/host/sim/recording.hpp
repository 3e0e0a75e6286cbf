// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quillon::sim {

class CsvRows;

// Samples recorded by some instrument: one row per scan, one column per channel. Rows are
// taken as evenly spaced at the recording's mean rate, so scan k is row k, except across a
// gap: a pause longer than twice the median period between two rows, during which the
// instrument sent nothing. The row after a gap comes at its own recorded time.
struct Recording {
    // The first row after a gap, and its time in seconds since the first row.
    struct Gap {
        std::size_t row = 0;
        double seconds = 0.0;
    };
    // The newest row taken at some moment; `silent` while the rows have stopped in a gap
    // (`row` is then the last row before it).
    struct Newest {
        std::int64_t row = 0;
        bool silent = false;
    };

    std::string source;                      // the file, for messages
    std::vector<std::string> channel_names;  // from the header
    // Row after row, channel 0 first, when held in memory; else `file` reads them as asked.
    std::vector<double> values;
    std::shared_ptr<CsvRows> file;
    std::size_t rows = 0;
    double scan_rate = 1000.0;  // rows per second
    // When the first row was taken, if the time column holds dates and times.
    std::optional<std::chrono::system_clock::time_point> start;
    int digital_channel = -1;  // none
    std::vector<Gap> gaps;     // in the order of the rows

    int Channels() const { return static_cast<int>(channel_names.size()); }
    // Its length: the time of its last row, and one period more.
    double Seconds() const;
    // When row `row` was taken, in seconds since the first row.
    double RowSeconds(std::size_t row) const;
    // Where the gap before gaps[index] begins: one period after the last row before it.
    double GapStart(std::size_t index) const {
        return RowSeconds(gaps[index].row - 1) + 1.0 / scan_rate;
    }
    // The newest row at `seconds` since the first row; a moment within `tolerance` scans of a
    // row's time counts as that row's.
    Newest NewestAt(double seconds, double tolerance) const;
    // The values of row `row`, channel 0 first; valid until the next call. Read from the file
    // when it is not held: the rows nearest the last one asked for are at hand, so a replay
    // that moves forward reads the file once. Not for two threads at once.
    const double* Row(std::size_t row) const;
};

// Reads a CSV recording (in chunks: its rows are read again from the file as they are played,
// so memory does not grow with its length): a header row (the time column, then one name per
// channel), then one row per scan. Times are seconds or ISO 8601 dates and times
// ("2026-05-01T03:00:00.125", with "Z" or an offset, else local time), strictly increasing.
// Separators: "," or, when the header has none, ";" or a tab. `digital` names the digital-input
// channel by its column name or channel number; empty for none. Raises ScenarioError "source:line:
// what".
Recording ParseCsvRecording(std::istream& in, const std::string& source,
                            const std::string& digital = "");
// The same from a file, which must be a regular file.
Recording LoadCsvRecording(const std::string& path, const std::string& digital = "");

}  // namespace quillon::sim
