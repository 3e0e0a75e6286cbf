// SPDX-License-Identifier: MIT
#pragma once

#include <algorithm>
#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// The lexical rules of scenario text. Errors are std::invalid_argument without a position;
// ScenarioParser adds the source and line.
namespace quillon::sim {

// Splits a line into words at blanks. "..." quotes a part of a word (\" and \\ inside it
// stand for " and \); # outside quotes starts a comment.
std::vector<std::string> SplitScenarioLine(std::string_view line);

// A finite decimal number in the C locale. `what` names the value in the message.
double ParseNumber(std::string_view text, std::string_view what);
// A number that is at least 0.
double ParseSeconds(std::string_view text, std::string_view what);
// A whole number within [low, high].
std::int64_t ParseInteger(std::string_view text, std::string_view what, std::int64_t low,
                          std::int64_t high);

// "a, b or c", for messages that list the accepted words.
std::string JoinChoices(const std::vector<std::string_view>& choices);

// `"text"`, for messages that quote what was read.
std::string Quoted(std::string_view text);

// The entry of a keyword table (anything with a `name`) that `name` names; an unknown name
// lists the known ones.
template <typename Keyword>
const Keyword& FindKeyword(const std::vector<Keyword>& keywords, const std::string& name) {
    const auto found = std::find_if(keywords.begin(), keywords.end(),
                                    [&](const Keyword& keyword) { return keyword.name == name; });
    if (found == keywords.end()) {
        std::vector<std::string_view> names;
        for (const Keyword& keyword : keywords) {
            names.push_back(keyword.name);
        }
        throw std::invalid_argument("unknown keyword " + Quoted(name) + "; expected " +
                                    JoinChoices(names));
    }
    return *found;
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

}  // namespace quillon::sim
