// SPDX-License-Identifier: MIT
#include "host/sim/recording.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string_view>

#include "host/host_error.hpp"
#include "host/sim/scenario.hpp"
#include "host/sim/scenario_error.hpp"
#include "utility/seconds_duration.hpp"

namespace quillon::sim {
namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

std::string_view Trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    text = text.substr(first, text.find_last_not_of(" \t") - first + 1);
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
        text = text.substr(1, text.size() - 2);
    }
    return text;
}

char SeparatorOf(std::string_view header) {
    if (header.find(',') != std::string_view::npos) {
        return ',';
    }
    return header.find(';') != std::string_view::npos ? ';' : '\t';
}

void Split(std::string_view line, char separator, std::vector<std::string_view>& fields) {
    fields.clear();
    for (;;) {
        const auto end = line.find(separator);
        fields.push_back(Trim(line.substr(0, end)));
        if (end == std::string_view::npos) {
            return;
        }
        line.remove_prefix(end + 1);
    }
}

bool ParseDouble(std::string_view text, double& value) {
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && std::isfinite(value);
}

bool Digits(std::string_view text, std::size_t at, std::size_t count, int& value) {
    if (at + count > text.size()) {
        return false;
    }
    value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return false;
        }
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

// Seconds since the epoch of "YYYY-MM-DD[T ]hh:mm:ss[.fff][Z|+hh:mm|+hhmm]".
bool ParseIsoTime(std::string_view text, double& seconds) {
    int year, month, day, hour, minute, second;
    if (!Digits(text, 0, 4, year) || text.size() < 19 || text[4] != '-' ||
        !Digits(text, 5, 2, month) || text[7] != '-' || !Digits(text, 8, 2, day) ||
        (text[10] != 'T' && text[10] != ' ') || !Digits(text, 11, 2, hour) || text[13] != ':' ||
        !Digits(text, 14, 2, minute) || text[16] != ':' || !Digits(text, 17, 2, second)) {
        return false;
    }
    std::size_t at = 19;
    double fraction = 0.0;
    if (at < text.size() && (text[at] == '.' || text[at] == ',')) {
        const std::size_t start = at++;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
            ++at;
        }
        std::string digits = "0." + std::string(text.substr(start + 1, at - start - 1));
        if (!ParseDouble(digits, fraction)) {
            return false;
        }
    }
    using namespace std::chrono;
    const year_month_day date{std::chrono::year{year}, std::chrono::month{unsigned(month)},
                              std::chrono::day{unsigned(day)}};
    if (!date.ok() || hour > 23 || minute > 59 || second > 60) {
        return false;
    }
    const double clock = hour * 3600.0 + minute * 60.0 + second + fraction;
    const std::string_view zone = text.substr(at);
    if (zone.empty()) {
        std::tm local{};
        local.tm_year = year - 1900;
        local.tm_mon = month - 1;
        local.tm_mday = day;
        local.tm_hour = hour;
        local.tm_min = minute;
        local.tm_sec = second;
        local.tm_isdst = -1;
        seconds = static_cast<double>(std::mktime(&local)) + fraction;
        return true;
    }
    double offset = 0.0;
    if (zone != "Z") {
        int zone_hours, zone_minutes;
        const bool colon = zone.size() == 6 && zone[3] == ':';
        if ((zone[0] != '+' && zone[0] != '-') || (zone.size() != 5 && !colon) ||
            !Digits(zone, 1, 2, zone_hours) || !Digits(zone, colon ? 4 : 3, 2, zone_minutes)) {
            return false;
        }
        offset = (zone[0] == '-' ? -1.0 : 1.0) * (zone_hours * 3600.0 + zone_minutes * 60.0);
    }
    seconds =
        static_cast<double>(sys_days(date).time_since_epoch().count()) * 86400.0 + clock - offset;
    return true;
}

// The text of a line without its line end (and the UTF-8 mark on the first); empty when blank.
std::string_view LineText(const std::string& line, int number) {
    std::string_view text = line;
    if (number == 1 && text.substr(0, kUtf8Mark.size()) == kUtf8Mark) {
        text.remove_prefix(kUtf8Mark.size());
    }
    if (!text.empty() && text.back() == '\r') {
        text.remove_suffix(1);
    }
    return Trim(text).empty() ? std::string_view() : text;
}

// Rows read of the file ahead of the one asked for, and kept behind it: a tick's window fits.
std::size_t RowsAtHand(std::size_t channels) {
    return std::max<std::size_t>(40'000,
                                 (std::size_t{1} << 19) / std::max<std::size_t>(1, channels));
}

}  // namespace

// The rows of a CSV recording, read from its file as they are asked for: the first ones, which
// a looping recording comes back to, and a window around the last one asked for.
class CsvRows {
public:
    struct Layout {
        std::string source;
        char separator = ',';
        std::streampos data_start;  // just after the header
        int data_line = 0;          // the header's line number
        std::size_t channels = 0;
        std::size_t rows = 0;
    };

    CsvRows(std::unique_ptr<std::istream> in, Layout layout)
        : in_(std::move(in)),
          layout_(std::move(layout)),
          at_hand_(RowsAtHand(layout_.channels)),
          head_rows_(std::min(layout_.rows, at_hand_)),
          window_(at_hand_ * layout_.channels) {
        Rewind();
        head_.resize(head_rows_ * layout_.channels);
        for (std::size_t row = 0; row < head_rows_; ++row) {
            ReadInto(head_.data() + row * layout_.channels);
        }
    }

    const double* Row(std::size_t row) {
        if (row < head_rows_) {
            return head_.data() + row * layout_.channels;
        }
        if (row < window_from_ || row + at_hand_ < next_row_) {
            Rewind();
        }
        while (next_row_ <= row) {
            if (row - next_row_ >= at_hand_) {
                Skip();
                window_from_ = next_row_;
            } else {
                ReadInto(window_.data() + (next_row_ % at_hand_) * layout_.channels);
            }
        }
        return window_.data() + (row % at_hand_) * layout_.channels;
    }

private:
    [[noreturn]] void Changed(const std::string& what) const {
        throw HostError("ReadScans: the recording " + layout_.source +
                        " changed while it was played (line " + std::to_string(line_) + ": " +
                        what + ")");
    }

    void Rewind() {
        in_->clear();
        in_->seekg(layout_.data_start);
        if (!*in_) {
            Changed("cannot go back to its first row");
        }
        line_ = layout_.data_line;
        next_row_ = 0;
        window_from_ = 0;
    }

    // The next row's line, skipping blank ones.
    std::string_view NextLine() {
        while (std::getline(*in_, line_text_)) {
            ++line_;
            const std::string_view text = LineText(line_text_, line_);
            if (!text.empty()) {
                ++next_row_;
                return text;
            }
        }
        Changed("it ends before row " + std::to_string(next_row_ + 1));
    }

    void Skip() { NextLine(); }

    void ReadInto(double* row) {
        Split(NextLine(), layout_.separator, fields_);
        if (fields_.size() != layout_.channels + 1) {
            Changed("not " + std::to_string(layout_.channels + 1) + " values");
        }
        for (std::size_t channel = 0; channel < layout_.channels; ++channel) {
            if (!ParseDouble(fields_[channel + 1], row[channel])) {
                Changed("\"" + std::string(fields_[channel + 1]) + "\" is not a number");
            }
        }
    }

    std::unique_ptr<std::istream> in_;
    Layout layout_;
    std::size_t at_hand_;
    std::size_t head_rows_;
    std::vector<double> head_;
    std::vector<double> window_;  // row r at r % at_hand_, for rows window_from_ to next_row_
    std::size_t window_from_ = 0;
    std::size_t next_row_ = 0;  // the row the file gives next
    int line_ = 0;
    std::string line_text_;
    std::vector<std::string_view> fields_;
};

namespace {

// The median of the rows' periods, as floats, without holding them: positive floats order as
// their bits do, so counting the high half of the bits finds the median's bucket, and a second
// pass counting the low half of those in it finds the median itself.
class MedianPeriod {
public:
    MedianPeriod() : counts_(std::size_t{1} << 16) {}

    static std::uint32_t Bits(double period) {
        const auto value = static_cast<float>(period);
        std::uint32_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        return bits;
    }
    void CountHigh(double period) { ++counts_[Bits(period) >> 16]; }
    // After the first pass: the median's bucket, and the smallest float in it.
    double StartLow(std::uint64_t periods) {
        rank_ = periods / 2;
        high_ = Find(rank_);
        std::fill(counts_.begin(), counts_.end(), 0);
        const std::uint32_t bits = high_ << 16;
        float low;
        std::memcpy(&low, &bits, sizeof low);
        return static_cast<double>(low);
    }
    void CountLow(double period) {
        const std::uint32_t bits = Bits(period);
        if ((bits >> 16) == high_) {
            ++counts_[bits & 0xFFFF];
        }
    }
    float Median() {
        const std::uint32_t bits = (high_ << 16) | Find(rank_);
        float median;
        std::memcpy(&median, &bits, sizeof median);
        return median;
    }

private:
    // The bucket that holds the `rank`th smallest; `rank` becomes its rank within the bucket.
    std::uint32_t Find(std::uint64_t& rank) const {
        for (std::uint32_t bucket = 0; bucket < counts_.size(); ++bucket) {
            if (rank < counts_[bucket]) {
                return bucket;
            }
            rank -= counts_[bucket];
        }
        return static_cast<std::uint32_t>(counts_.size() - 1);
    }

    std::vector<std::uint64_t> counts_;
    std::uint64_t rank_ = 0;
    std::uint32_t high_ = 0;
};

class CsvReader {
public:
    CsvReader(std::string source, std::string digital)
        : source_(std::move(source)), digital_(std::move(digital)) {}

    // The first pass checks every row and learns the periods' median; the second finds the
    // gaps. The rows are then read again as they are played.
    Recording Read(std::unique_ptr<std::istream> in) {
        recording_.source = source_;
        std::string line;
        while (std::getline(*in, line)) {
            ++line_;
            const std::string_view text = LineText(line, line_);
            if (text.empty()) {
                continue;
            }
            if (recording_.channel_names.empty()) {
                ReadHeader(text);
                data_start_ = in->tellg();
                data_line_ = line_;
            } else {
                ReadRow(text);
            }
        }
        if (in->bad()) {
            throw ScenarioError(source_ + ": read error after line " + std::to_string(line_));
        }
        Check();
        FindGaps(*in);
        Finish();
        recording_.file = std::make_shared<CsvRows>(
            std::move(in), CsvRows::Layout{source_, separator_, data_start_, data_line_,
                                           recording_.channel_names.size(), recording_.rows});
        return std::move(recording_);
    }

private:
    [[noreturn]] void Fail(const std::string& what) const {
        throw ScenarioError(source_ + ":" + std::to_string(line_) + ": " + what);
    }

    void ReadHeader(std::string_view text) {
        separator_ = SeparatorOf(text);
        Split(text, separator_, fields_);
        if (fields_.size() < 2) {
            Fail("the header needs a time column and at least one channel, separated by \",\"");
        }
        if (fields_.size() - 1 > static_cast<std::size_t>(kMaxScenarioChannels)) {
            Fail("at most " + std::to_string(kMaxScenarioChannels) + " channels");
        }
        for (std::size_t field = 1; field < fields_.size(); ++field) {
            recording_.channel_names.emplace_back(fields_[field]);
        }
    }

    void ReadRow(std::string_view text) {
        Split(text, separator_, fields_);
        const std::size_t expected = recording_.channel_names.size() + 1;
        if (fields_.size() != expected) {
            Fail("expected " + std::to_string(expected) + " values (the time and " +
                 std::to_string(expected - 1) + " channels), found " +
                 std::to_string(fields_.size()));
        }
        const double time = ReadTime(fields_[0]);
        if (recording_.rows > 0 && !(time > last_time_)) {
            Fail("the time " + std::string(fields_[0]) + " is not after the line before");
        }
        if (recording_.rows == 0) {
            first_time_ = time;
        } else {
            median_.CountHigh((time - first_time_) - (last_time_ - first_time_));
        }
        last_time_ = time;
        for (std::size_t field = 1; field < fields_.size(); ++field) {
            double value = 0.0;
            if (!ParseDouble(fields_[field], value)) {
                Fail("\"" + std::string(fields_[field]) + "\" in column \"" +
                     recording_.channel_names[field - 1] + "\" is not a number");
            }
        }
        ++recording_.rows;
    }

    double ReadTime(std::string_view text) {
        double seconds = 0.0;
        if (recording_.rows == 0) {
            dates_ = !ParseDouble(text, seconds);
        }
        const bool read = dates_ ? ParseIsoTime(text, seconds) : ParseDouble(text, seconds);
        if (!read) {
            Fail("\"" + std::string(text) + "\" is not a time: " +
                 (dates_ ? "expected a date and time like 2026-05-01T03:00:00.125"
                         : "expected seconds"));
        }
        return seconds;
    }

    void Check() const {
        if (recording_.channel_names.empty()) {
            throw ScenarioError(source_ +
                                ": no header row; expected the time column's name, "
                                "then one name per channel");
        }
        if (recording_.rows < 2) {
            throw ScenarioError(source_ +
                                ": at least two rows of samples are needed to know the "
                                "recording's rate");
        }
    }

    void Finish() {
        if (dates_) {
            recording_.start = std::chrono::system_clock::time_point(
                SecondsToDuration<std::chrono::system_clock::duration>(first_time_));
        }
        FindDigitalChannel();
    }

    struct Pause {
        std::size_t row;
        double seconds;  // since the first row
        double period;
    };

    // A pause longer than twice the median period is a gap; the rate is the mean one of the
    // stretches between gaps (of the whole recording when there are none). The pauses that
    // may be gaps are kept while the median is not yet known.
    void FindGaps(std::istream& in) {
        const double smallest_median = median_.StartLow(recording_.rows - 1);
        std::vector<Pause> pauses;
        in.clear();
        in.seekg(data_start_);
        line_ = data_line_;
        std::string line;
        double before = 0.0;
        for (std::size_t row = 0; row < recording_.rows && std::getline(in, line);) {
            ++line_;
            const std::string_view text = LineText(line, line_);
            if (text.empty()) {
                continue;
            }
            double time = 0.0;
            const std::string_view field = Trim(text.substr(0, text.find(separator_)));
            if (!(dates_ ? ParseIsoTime(field, time) : ParseDouble(field, time))) {
                Fail("the file changed while it was read");
            }
            const double since_first = time - first_time_;
            if (row > 0) {
                const double period = since_first - before;
                median_.CountLow(period);
                if (period > 2.0 * smallest_median) {
                    pauses.push_back({row, since_first, period});
                }
            }
            before = since_first;
            ++row;
        }
        const double longest = 2.0 * static_cast<double>(median_.Median());
        double paused = 0.0;
        for (const Pause& pause : pauses) {
            if (pause.period > longest) {
                recording_.gaps.push_back({pause.row, pause.seconds});
                paused += pause.period;
            }
        }
        const double length = last_time_ - first_time_;
        const double stretches = length - paused;
        const auto periods_in_stretches =
            static_cast<double>(recording_.rows - 1 - recording_.gaps.size());
        recording_.scan_rate = stretches > 0.0 && periods_in_stretches > 0.0
                                   ? periods_in_stretches / stretches
                                   : static_cast<double>(recording_.rows - 1) / length;
    }

    void FindDigitalChannel() {
        if (digital_.empty()) {
            return;
        }
        const auto& names = recording_.channel_names;
        for (std::size_t channel = 0; channel < names.size(); ++channel) {
            if (names[channel] == digital_) {
                recording_.digital_channel = static_cast<int>(channel);
                return;
            }
        }
        double number = -1.0;
        if (ParseDouble(digital_, number) && number >= 0 &&
            number < static_cast<double>(names.size()) && number == std::floor(number)) {
            recording_.digital_channel = static_cast<int>(number);
            return;
        }
        std::string known;
        for (const std::string& name : names) {
            known += (known.empty() ? "\"" : ", \"") + name + "\"";
        }
        throw ScenarioError(source_ + ": no channel \"" + digital_ +
                            "\" for the digital input; the channels are " + known +
                            " (or give a number from 0)");
    }

    std::string source_;
    std::string digital_;
    Recording recording_;
    int line_ = 0;
    char separator_ = ',';
    std::vector<std::string_view> fields_;
    bool dates_ = false;
    double first_time_ = 0.0;
    double last_time_ = 0.0;
    std::streampos data_start_;
    int data_line_ = 0;
    MedianPeriod median_;
};

}  // namespace

double Recording::Seconds() const {
    return rows == 0 ? 0.0 : RowSeconds(rows - 1) + 1.0 / scan_rate;
}

double Recording::RowSeconds(std::size_t row) const {
    const auto after = std::upper_bound(gaps.begin(), gaps.end(), row,
                                        [](std::size_t r, const Gap& gap) { return r < gap.row; });
    if (after == gaps.begin()) {
        return static_cast<double>(row) / scan_rate;
    }
    const Gap& gap = *std::prev(after);
    return gap.seconds + static_cast<double>(row - gap.row) / scan_rate;
}

Recording::Newest Recording::NewestAt(double seconds, double tolerance) const {
    const auto after =
        std::upper_bound(gaps.begin(), gaps.end(), seconds, [&](double s, const Gap& gap) {
            return s * scan_rate + tolerance < gap.seconds * scan_rate;
        });
    const std::size_t first_row = after == gaps.begin() ? 0 : std::prev(after)->row;
    const double first_seconds = after == gaps.begin() ? 0.0 : std::prev(after)->seconds;
    const auto row =
        static_cast<std::int64_t>(first_row) +
        static_cast<std::int64_t>(std::floor((seconds - first_seconds) * scan_rate + tolerance));
    if (after != gaps.end() && row >= static_cast<std::int64_t>(after->row)) {
        return {static_cast<std::int64_t>(after->row) - 1, true};
    }
    return {row, false};
}

Recording ParseCsvRecording(std::istream& in, const std::string& source,
                            const std::string& digital) {
    auto copy = std::make_unique<std::stringstream>();
    *copy << in.rdbuf();
    copy->clear();
    return CsvReader(source, digital).Read(std::move(copy));
}

const double* Recording::Row(std::size_t row) const {
    if (file && values.empty()) {
        return file->Row(row);
    }
    return values.data() + row * channel_names.size();
}

Recording LoadCsvRecording(const std::string& path, const std::string& digital) {
    std::error_code code;
    if (!std::filesystem::is_regular_file(path, code)) {
        throw ScenarioError(
            path + ": " +
            (std::filesystem::exists(path, code) ? "not a regular file" : "no such file"));
    }
    auto in = std::make_unique<std::ifstream>(path, std::ios::binary);
    if (!*in) {
        throw ScenarioError(path + ": cannot open");
    }
    return CsvReader(path, digital).Read(std::move(in));
}

}  // namespace quillon::sim
