// SPDX-License-Identifier: MIT
#pragma once

#include <iosfwd>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "host/sim/scenario.hpp"
#include "host/syntax/line_syntax.hpp"

namespace quillon::sim {

// Reads scenario text line by line: one keyword and its values per line. Raises
// ScenarioError "source:line: what".
class ScenarioParser {
public:
    explicit ScenarioParser(std::string source_name) : source_(std::move(source_name)) {}

    Scenario Parse(std::istream& in);

private:
    using Words = syntax::Words;
    using Keyword = syntax::Keyword<ScenarioParser>;
    struct PendingChannel {
        int line;
        Scenario::Channel channel;
    };

    static const std::vector<Keyword>& Keywords();

    void ParseLine(const std::string& line);

    void ParseChannels(const Words& values);
    void ParseScanRate(const Words& values);
    void ParseIdentification(const Words& values);
    void ParseModel(const Words& values);
    void ParseHostValue(const Words& values);
    void ParseOutputLog(const Words& values);
    void ParseChannel(const Words& values);
    void ParseFailReadsFrom(const Words& values);
    void ParseShortBlocksFrom(const Words& values);
    void ParseExitAt(const Words& values);
    void ParseRecording(const Words& values);
    void CheckRecordingAlone() const;

    Scenario Finish();
    void CheckChannel(int index, const PendingChannel& pending) const;
    void CheckSingleDigitalInput() const;
    [[noreturn]] void FailAt(int line, const std::string& what) const;

    std::string source_;
    int line_ = 0;
    std::shared_ptr<const Recording> recording_;
    bool loop_recording_ = false;
    Scenario scenario_;
    std::optional<int> channel_count_;
    syntax::KeywordsSet keywords_set_;
    std::map<int, PendingChannel> channels_;
};

}  // namespace quillon::sim
