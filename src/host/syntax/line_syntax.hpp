// SPDX-License-Identifier: MIT
#pragma once

#include <algorithm>
#include <cstdint>
#include <istream>
#include <iterator>
#include <limits>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The lexical rules that scenario files and Modbus device files share: one keyword and its
// values per line. Errors are std::invalid_argument without a position; each file's parser adds
// the source and line.
namespace quillon::syntax {

using Words = std::vector<std::string>;

// Splits a line into words at blanks. "..." quotes a part of a word (\" and \\ inside it
// stand for " and \); # outside quotes starts a comment.
Words SplitLine(std::string_view line);

// Calls handle(line_number, line) for each line of `in`, numbered from 1, without the UTF-8
// mark that editors on Windows start a file with. Returns the number of lines read; the
// caller asks `in.bad()` whether a read error ended them.
template <typename Handle>
int ForEachLine(std::istream& in, Handle handle) {
    constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (number == 1 && line.rfind(kUtf8Mark, 0) == 0) {
            line.erase(0, kUtf8Mark.size());
        }
        handle(number, line);
    }
    return number;
}

// A finite decimal number in the C locale. `what` names the value in the message.
double ParseNumber(std::string_view text, std::string_view what);
// A number that is at least 0.
double ParseSeconds(std::string_view text, std::string_view what);
// A whole number within [low, high].
std::int64_t ParseInteger(std::string_view text, std::string_view what, std::int64_t low,
                          std::int64_t high);

// "name=value" as its two halves.
std::pair<std::string, std::string> SplitSetting(const std::string& word);
// "UPPER,LOWER" as the two numbers, upper first.
std::pair<double, double> ParseRange(const std::string& value);
// A model number: any 32-bit whole number.
std::int32_t ParseModel(std::string_view text);

// "a, b or c", for messages that list the accepted words.
std::string JoinChoices(const std::vector<std::string_view>& choices);

// `"text"`, for messages that quote what was read.
std::string Quoted(std::string_view text);

// The entry of a table (anything with a `name`) that `name` names; an unknown name is
// "unknown <what> ..." and lists the known ones.
template <typename Entries>
const auto& FindNamed(const Entries& entries, std::string_view name, std::string_view what) {
    const auto found = std::find_if(std::begin(entries), std::end(entries),
                                    [&](const auto& entry) { return entry.name == name; });
    if (found == std::end(entries)) {
        std::vector<std::string_view> names;
        for (const auto& entry : entries) {
            names.push_back(entry.name);
        }
        throw std::invalid_argument("unknown " + std::string(what) + " " + Quoted(name) +
                                    "; expected " + JoinChoices(names));
    }
    return *found;
}

// A line's keyword: its usage for messages, how many values may follow it, and the parser's
// member that reads them.
template <typename Parser>
struct Keyword {
    std::string_view name;
    std::string_view usage;
    std::size_t least;
    std::size_t most;
    void (Parser::*handler)(const Words& values);
};

// Hands a line's values to its keyword's handler, once their count is checked.
template <typename Parser>
void Dispatch(Parser& parser, const std::vector<Keyword<Parser>>& keywords, const Words& words) {
    const Keyword<Parser>& keyword = FindNamed(keywords, words.front(), "keyword");
    const Words values(words.begin() + 1, words.end());
    if (values.size() < keyword.least || values.size() > keyword.most) {
        throw std::invalid_argument("expected " + Quoted(keyword.usage));
    }
    (parser.*keyword.handler)(values);
}

// Keywords that may appear once: where each was set, so that a second line names the first.
class KeywordsSet {
public:
    void Mark(const std::string& keyword, int line) {
        const auto [previous, inserted] = lines_.emplace(keyword, line);
        if (!inserted) {
            throw std::invalid_argument(keyword + " is already set on line " +
                                        std::to_string(previous->second));
        }
    }

    bool Contains(const std::string& keyword) const { return lines_.contains(keyword); }
    // The line a set keyword is on.
    int LineOf(const std::string& keyword) const { return lines_.at(keyword); }

private:
    std::map<std::string, int> lines_;
};

}  // namespace quillon::syntax
