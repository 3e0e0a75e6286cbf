// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "host/sim/scenario.hpp"

namespace quillon::sim {

// Reads the words of a channel line after its index: a waveform name, then its settings
// (name=value), "digital", and for steps the time:value pairs. Raises std::invalid_argument.
class ChannelParser {
public:
    explicit ChannelParser(std::vector<std::string> words) : words_(std::move(words)) {}

    Scenario::Channel Parse();

private:
    void ParseWord(const std::string& word);
    void ParseSetting(const std::string& name, const std::string& value);
    void ParseParameter(const std::string& name, const std::string& value);
    void ParseRange(const std::string& value);
    void MarkGiven(const std::string& name);
    Waveform::Step ParseStep(const std::string& word) const;
    Waveform BuildWaveform() const;
    double Parameter(const std::string& name) const;
    bool IsParameter(const std::string& name) const;
    std::string SettingChoices() const;

    std::vector<std::string> words_;
    std::string kind_;
    Scenario::Channel channel_;
    std::set<std::string> given_;
    std::map<std::string, double> parameters_;
    std::uint64_t seed_ = 1;
    std::vector<Waveform::Step> steps_;
};

}  // namespace quillon::sim
