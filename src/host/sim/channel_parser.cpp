// SPDX-License-Identifier: MIT
#include "host/sim/channel_parser.hpp"

#include <algorithm>
#include <limits>
#include <stdexcept>
#include <string_view>

#include "host/syntax/line_syntax.hpp"

namespace quillon::sim {

namespace {

using syntax::JoinChoices;
using syntax::ParseInteger;
using syntax::ParseNumber;
using syntax::ParseSeconds;

struct Kind {
    struct Parameter {
        std::string_view name;
        double fallback;
    };
    std::string_view name;
    std::vector<Parameter> parameters;
};

const std::vector<Kind>& Kinds() {
    static const std::vector<Kind> kinds = {
        {"constant", {{"value", 0.0}}},
        {"sine", {{"offset", 0.0}, {"amplitude", 1.0}, {"period", 1.0}, {"phase", 0.0}}},
        {"square", {{"low", 0.0}, {"high", 1.0}, {"period", 1.0}, {"duty", 0.5}}},
        {"ramp", {{"from", 0.0}, {"to", 1.0}, {"period", 1.0}}},
        {"noise", {{"mean", 0.0}, {"amplitude", 1.0}, {"seed", 1.0}}},
        {"steps", {}},
    };
    return kinds;
}

std::string KindChoices() {
    std::vector<std::string_view> names;
    for (const Kind& kind : Kinds()) {
        names.push_back(kind.name);
    }
    return JoinChoices(names);
}

const Kind& FindKind(std::string_view name) {
    return syntax::FindNamed(Kinds(), name, "waveform");
}

}  // namespace

Scenario::Channel ChannelParser::Parse() {
    if (words_.empty()) {
        throw std::invalid_argument("a channel needs a waveform: " + KindChoices());
    }
    kind_ = FindKind(words_.front()).name;
    std::for_each(words_.begin() + 1, words_.end(),
                  [this](const std::string& word) { ParseWord(word); });
    channel_.waveform = BuildWaveform();
    return channel_;
}

void ChannelParser::ParseWord(const std::string& word) {
    const auto equals = word.find('=');
    if (word == "digital") {
        MarkGiven(word);
        channel_.digital_input = true;
    } else if (equals != std::string::npos) {
        ParseSetting(word.substr(0, equals), word.substr(equals + 1));
    } else if (kind_ == "steps") {
        steps_.push_back(ParseStep(word));
    } else {
        throw std::invalid_argument("unexpected \"" + word + "\" for " + kind_ +
                                    "; write settings as name=value");
    }
}

void ChannelParser::ParseSetting(const std::string& name, const std::string& value) {
    MarkGiven(name);
    if (name == "range") {
        ParseRange(value);
    } else if (name == "text") {
        channel_.text = value;
    } else if (name == "digital") {
        throw std::invalid_argument("digital takes no value; write just digital");
    } else if (IsParameter(name)) {
        ParseParameter(name, value);
    } else {
        throw std::invalid_argument("unknown setting \"" + name + "\" for " + kind_ +
                                    "; expected " + SettingChoices());
    }
}

void ChannelParser::ParseParameter(const std::string& name, const std::string& value) {
    if (name == "seed") {
        seed_ = static_cast<std::uint64_t>(
            ParseInteger(value, name, 0, std::numeric_limits<std::int64_t>::max()));
    } else {
        parameters_[name] = ParseNumber(value, name);
    }
}

void ChannelParser::ParseRange(const std::string& value) {
    std::tie(channel_.upper_range, channel_.lower_range) = syntax::ParseRange(value);
}

void ChannelParser::MarkGiven(const std::string& name) {
    if (!given_.insert(name).second) {
        throw std::invalid_argument(name + " is given twice");
    }
}

Waveform::Step ChannelParser::ParseStep(const std::string& word) const {
    const auto colon = word.find(':');
    if (colon == std::string::npos) {
        throw std::invalid_argument("step \"" + word + "\" must be written TIME:VALUE");
    }
    return {ParseSeconds(word.substr(0, colon), "step time"),
            ParseNumber(word.substr(colon + 1), "step value")};
}

Waveform ChannelParser::BuildWaveform() const {
    const std::string_view kind = kind_;
    if (kind == "sine") {
        return Waveform::Sine(Parameter("offset"), Parameter("amplitude"), Parameter("period"),
                              Parameter("phase"));
    }
    if (kind == "square") {
        return Waveform::Square(Parameter("low"), Parameter("high"), Parameter("period"),
                                Parameter("duty"));
    }
    if (kind == "ramp") {
        return Waveform::Ramp(Parameter("from"), Parameter("to"), Parameter("period"));
    }
    if (kind == "noise") {
        return Waveform::Noise(Parameter("mean"), Parameter("amplitude"), seed_);
    }
    if (kind == "steps") {
        if (steps_.empty()) {
            throw std::invalid_argument("steps needs at least one TIME:VALUE pair");
        }
        return Waveform::Steps(steps_);
    }
    return Waveform::Constant(Parameter("value"));
}

double ChannelParser::Parameter(const std::string& name) const {
    const auto given = parameters_.find(name);
    if (given != parameters_.end()) {
        return given->second;
    }
    const auto& known = FindKind(kind_).parameters;
    return std::find_if(known.begin(), known.end(), [&](const auto& p) { return p.name == name; })
        ->fallback;
}

bool ChannelParser::IsParameter(const std::string& name) const {
    const auto& known = FindKind(kind_).parameters;
    return std::any_of(known.begin(), known.end(), [&](const auto& p) { return p.name == name; });
}

std::string ChannelParser::SettingChoices() const {
    std::vector<std::string_view> names;
    for (const auto& parameter : FindKind(kind_).parameters) {
        names.push_back(parameter.name);
    }
    names.insert(names.end(), {"range", "text", "digital"});
    return JoinChoices(names);
}

}  // namespace quillon::sim
