// SPDX-License-Identifier: MIT
#include "host/sim/recording.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string_view>

#include "host/sim/scenario.hpp"
#include "host/sim/scenario_error.hpp"
#include "platform/seconds_duration.hpp"

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

class CsvReader {
public:
    CsvReader(std::string source, std::string digital)
        : source_(std::move(source)), digital_(std::move(digital)) {}

    Recording Read(std::istream& in) {
        recording_.source = source_;
        std::string line;
        while (std::getline(in, line)) {
            ++line_;
            std::string_view text = line;
            if (line_ == 1 && text.substr(0, kUtf8Mark.size()) == kUtf8Mark) {
                text.remove_prefix(kUtf8Mark.size());
            }
            if (!text.empty() && text.back() == '\r') {
                text.remove_suffix(1);
            }
            if (Trim(text).empty()) {
                continue;
            }
            if (recording_.channel_names.empty()) {
                ReadHeader(text);
            } else {
                ReadRow(text);
            }
        }
        if (in.bad()) {
            throw ScenarioError(source_ + ": read error after line " + std::to_string(line_));
        }
        return Finish();
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
        }
        last_time_ = time;
        times_.push_back(time - first_time_);
        for (std::size_t field = 1; field < fields_.size(); ++field) {
            double value = 0.0;
            if (!ParseDouble(fields_[field], value)) {
                Fail("\"" + std::string(fields_[field]) + "\" in column \"" +
                     recording_.channel_names[field - 1] + "\" is not a number");
            }
            recording_.values.push_back(value);
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

    Recording Finish() {
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
        FindGaps();
        if (dates_) {
            recording_.start = std::chrono::system_clock::time_point(
                SecondsToDuration<std::chrono::system_clock::duration>(first_time_));
        }
        FindDigitalChannel();
        return std::move(recording_);
    }

    // A pause longer than twice the median period is a gap; the rate is the mean one of the
    // stretches between gaps (of the whole recording when there are none).
    void FindGaps() {
        std::vector<float> periods(times_.size() - 1);
        for (std::size_t row = 1; row < times_.size(); ++row) {
            periods[row - 1] = static_cast<float>(times_[row] - times_[row - 1]);
        }
        const auto middle = periods.begin() + static_cast<std::ptrdiff_t>(periods.size() / 2);
        std::nth_element(periods.begin(), middle, periods.end());
        const double longest = 2.0 * static_cast<double>(*middle);
        periods = {};
        double paused = 0.0;
        for (std::size_t row = 1; row < times_.size(); ++row) {
            const double period = times_[row] - times_[row - 1];
            if (period > longest) {
                recording_.gaps.push_back({row, times_[row]});
                paused += period;
            }
        }
        const double stretches = times_.back() - paused;
        const auto periods_in_stretches =
            static_cast<double>(recording_.rows - 1 - recording_.gaps.size());
        recording_.scan_rate = stretches > 0.0 && periods_in_stretches > 0.0
                                   ? periods_in_stretches / stretches
                                   : static_cast<double>(recording_.rows - 1) / times_.back();
        times_ = {};
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
    std::vector<double> times_;  // of each row since the first, until the gaps are found
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
    return CsvReader(source, digital).Read(in);
}

Recording LoadCsvRecording(const std::string& path, const std::string& digital) {
    std::error_code code;
    if (!std::filesystem::is_regular_file(path, code)) {
        throw ScenarioError(
            path + ": " +
            (std::filesystem::exists(path, code) ? "not a regular file" : "no such file"));
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw ScenarioError(path + ": cannot open");
    }
    return ParseCsvRecording(in, path, digital);
}

}  // namespace quillon::sim
