// SPDX-License-Identifier: MIT
#include "host/modbus/device_file_parser.hpp"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <istream>
#include <limits>
#include <sstream>
#include <stdexcept>
#include <string_view>
#include <system_error>

#include "host/modbus/register_value.hpp"
#include "host/syntax/line_syntax.hpp"
#include "utility/whole_file.hpp"

namespace quillon::modbus {

namespace {

using syntax::FindNamed;
using syntax::JoinChoices;
using syntax::ParseInteger;
using syntax::ParseNumber;
using syntax::ParseSeconds;
using syntax::Quoted;
using syntax::SplitSetting;

constexpr std::size_t kMaxDeviceFileBytes = std::size_t{1024} * 1024;
constexpr int kLastAddress = 65535;
constexpr int kDigitalBits = 8;
constexpr int kOutputs = 8;
// Faster than this, a Modbus TCP device answers no request in time; slower, and a module
// that is away would go unnoticed for minutes.
constexpr double kMinPollRate = 0.01;
constexpr double kMaxPollRate = 1000.0;
// The unit ids a request may carry: 248 to 254 are reserved by the protocol.
constexpr int kLastUnit = 247;
constexpr int kAnyUnit = 255;

struct Named {
    std::string_view name;
    Table table;
};
constexpr Named kChannelSources[] = {
    {"input-register", Table::InputRegisters},
    {"holding-register", Table::HoldingRegisters},
    {"discrete-input", Table::DiscreteInputs},
};
constexpr Named kDigitalSources[] = {
    {"discrete-inputs", Table::DiscreteInputs},
    {"input-register", Table::InputRegisters},
    {"holding-register", Table::HoldingRegisters},
};
constexpr Named kOutputTargets[] = {
    {"coils", Table::Coils},
    {"holding-register", Table::HoldingRegisters},
};

struct NamedType {
    std::string_view name;
    NumberType type;
};
constexpr NamedType kNumberTypes[] = {
    {"int16", NumberType::Int16},   {"uint16", NumberType::Uint16},   {"int32", NumberType::Int32},
    {"uint32", NumberType::Uint32}, {"float32", NumberType::Float32},
};

std::uint16_t ParseAddress(const std::string& text, int span, std::string_view what) {
    return static_cast<std::uint16_t>(ParseInteger(text, what, 0, kLastAddress + 1 - span));
}

void ParseRange(const std::string& value, DeviceDescription::Channel& channel) {
    const auto [upper, lower] = syntax::ParseRange(value);
    if (upper <= lower) {
        const std::size_t comma = value.find(',');
        throw std::invalid_argument(
            "range is written UPPER,LOWER with UPPER above LOWER, got " + Quoted(value) +
            "; did you mean range=" + value.substr(comma + 1) + "," + value.substr(0, comma) + "?");
    }
    channel.upper_range = upper;
    channel.lower_range = lower;
}

void ParseChannelSetting(const std::string& word, DeviceDescription::Channel& channel,
                         std::vector<std::string>& given) {
    const auto [name, value] = SplitSetting(word);
    if (std::find(given.begin(), given.end(), name) != given.end()) {
        throw std::invalid_argument("channel setting " + name + " is given twice");
    }
    given.push_back(name);
    if (name == "gain") {
        channel.gain = ParseNumber(value, "gain");
    } else if (name == "offset") {
        channel.offset = ParseNumber(value, "offset");
    } else if (name == "range") {
        ParseRange(value, channel);
    } else if (name == "text") {
        channel.text = value;
    } else if (name == "order") {
        if (RegisterCount(channel.source.type) != 2) {
            throw std::invalid_argument(
                "order= applies to the 32-bit types (int32, uint32, float32) only");
        }
        const bool high = value == "high-first";
        if (!high && value != "low-first") {
            throw std::invalid_argument("unknown word order " + Quoted(value) +
                                        "; expected high-first or low-first");
        }
        channel.source.order = high ? WordOrder::HighFirst : WordOrder::LowFirst;
    } else {
        throw std::invalid_argument("unknown channel setting " + Quoted(name) +
                                    "; expected gain, offset, range, text or order");
    }
}

std::string ReadDeviceText(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        throw DeviceFileError(path + ": cannot open: " + std::generic_category().message(errno));
    }
    if (!S_ISREG(status.st_mode)) {
        throw DeviceFileError(path + ": not a regular file");
    }
    if (static_cast<std::size_t>(status.st_size) > kMaxDeviceFileBytes) {
        throw DeviceFileError(path + ": too large: a device file has at most " +
                              std::to_string(kMaxDeviceFileBytes) + " bytes");
    }
    std::string why;
    const std::optional<std::string> text = ReadWholeFile(path, why);
    if (!text) {
        throw DeviceFileError(path + ": cannot read");
    }
    return text->substr(0, kMaxDeviceFileBytes);
}

}  // namespace

const std::vector<DeviceFileParser::Keyword>& DeviceFileParser::Keywords() {
    using P = DeviceFileParser;
    static const std::vector<Keyword> keywords = {
        {"server", "server ADDRESS [PORT]", 1, 2, &P::ParseServer},
        {"unit", "unit ID", 1, 1, &P::ParseUnit},
        {"poll-rate", "poll-rate POLLS_PER_SECOND", 1, 1, &P::ParsePollRate},
        {"timeout", "timeout SECONDS", 1, 1, &P::ParseTimeout},
        {"exit-after", "exit-after SECONDS", 1, 1, &P::ParseExitAfter},
        {"identification", "identification TEXT", 1, 1, &P::ParseIdentification},
        {"model", "model NUMBER", 1, 1, &P::ParseModel},
        {"host-value", "host-value NUMBER", 1, 1, &P::ParseHostValue},
        {"channel", "channel INDEX SOURCE ADDRESS [TYPE] [SETTINGS...]", 3, 99, &P::ParseChannel},
        {"digital", "digital SOURCE ADDRESS [text=TEXT]", 2, 3, &P::ParseDigital},
        {"outputs", "outputs coils|holding-register ADDRESS", 2, 2, &P::ParseOutputs},
        {"layout", "layout low|high", 1, 1, &P::ParseLayout},
    };
    return keywords;
}

DeviceDescription DeviceFileParser::Parse(std::istream& in) {
    device_.file = source_;
    syntax::ForEachLine(in, [this](int number, const std::string& line) {
        line_ = number;
        ParseLine(line);
    });
    if (in.bad()) {
        throw DeviceFileError(source_ + ": read error after line " + std::to_string(line_));
    }
    return Finish();
}

void DeviceFileParser::ParseLine(const std::string& line) {
    try {
        const Words words = syntax::SplitLine(line);
        if (!words.empty()) {
            syntax::Dispatch(*this, Keywords(), words);
        }
    } catch (const std::invalid_argument& error) {
        FailAt(line_, error.what());
    }
}

void DeviceFileParser::ParseServer(const Words& values) {
    keywords_set_.Mark("server", line_);
    if (values[0].empty()) {
        throw std::invalid_argument("server needs an address, e.g. 192.168.1.50");
    }
    // An IPv6 address may come as it is written beside a port: [::1].
    const std::string& address = values[0];
    const bool bracketed = address.size() > 2 && address.front() == '[' && address.back() == ']';
    device_.server = bracketed ? address.substr(1, address.size() - 2) : address;
    if (values.size() == 2) {
        device_.port = static_cast<std::uint16_t>(ParseInteger(values[1], "port", 1, 65535));
    }
}

void DeviceFileParser::ParseUnit(const Words& values) {
    keywords_set_.Mark("unit", line_);
    const auto unit = ParseInteger(values[0], "unit", 0, kAnyUnit);
    if (unit > kLastUnit && unit != kAnyUnit) {
        throw std::invalid_argument("unit " + values[0] +
                                    " is reserved: a unit id is 0 to 247, or 255");
    }
    device_.unit = static_cast<int>(unit);
}

void DeviceFileParser::ParsePollRate(const Words& values) {
    keywords_set_.Mark("poll-rate", line_);
    const double rate = ParseNumber(values[0], "poll-rate");
    if (rate < kMinPollRate || rate > kMaxPollRate) {
        throw std::invalid_argument("poll-rate must be from 0.01 to 1000 polls per second");
    }
    device_.poll_rate = rate;
}

void DeviceFileParser::ParseTimeout(const Words& values) {
    keywords_set_.Mark("timeout", line_);
    const double seconds = ParseSeconds(values[0], "timeout");
    if (seconds < 0.001 || seconds > 60.0) {
        throw std::invalid_argument("timeout must be between 0.001 and 60 seconds");
    }
    device_.response_timeout = seconds;
}

void DeviceFileParser::ParseExitAfter(const Words& values) {
    keywords_set_.Mark("exit-after", line_);
    device_.exit_after = ParseSeconds(values[0], "exit-after");
}

void DeviceFileParser::ParseIdentification(const Words& values) {
    keywords_set_.Mark("identification", line_);
    device_.identification = values[0];
}

void DeviceFileParser::ParseModel(const Words& values) {
    keywords_set_.Mark("model", line_);
    device_.model = syntax::ParseModel(values[0]);
}

void DeviceFileParser::ParseHostValue(const Words& values) {
    keywords_set_.Mark("host-value", line_);
    device_.host_value = ParseNumber(values[0], "host-value");
}

void DeviceFileParser::ParseChannel(const Words& values) {
    const int index =
        static_cast<int>(ParseInteger(values[0], "channel index", 0, kMaxDeviceChannels - 1));
    if (const auto previous = channels_.find(index); previous != channels_.end()) {
        throw std::invalid_argument("channel " + values[0] + " is already defined on line " +
                                    std::to_string(previous->second.first));
    }
    DeviceDescription::Channel channel;
    channel.source.table = FindNamed(kChannelSources, values[1], "channel source").table;
    std::size_t next = 3;
    const bool bit = channel.source.table == Table::DiscreteInputs;
    channel.source.type = bit ? NumberType::Bit : NumberType::Int16;
    if (!bit && values.size() > next && values[next].find('=') == std::string::npos) {
        channel.source.type = FindNamed(kNumberTypes, values[next++], "number type").type;
    }
    channel.source.address =
        ParseAddress(values[2], RegisterCount(channel.source.type), "channel address");
    std::vector<std::string> given;
    for (; next < values.size(); ++next) {
        ParseChannelSetting(values[next], channel, given);
    }
    channels_.emplace(index, std::make_pair(line_, channel));
}

void DeviceFileParser::ParseDigital(const Words& values) {
    keywords_set_.Mark("digital", line_);
    DeviceDescription::DigitalInput digital;
    digital.source.table = FindNamed(kDigitalSources, values[0], "digital source").table;
    const bool bits = digital.source.table == Table::DiscreteInputs;
    digital.source.type = bits ? NumberType::Bit : NumberType::Uint16;
    digital.source.address = ParseAddress(values[1], bits ? kDigitalBits : 1, "digital address");
    if (values.size() == 3) {
        const auto [name, value] = SplitSetting(values[2]);
        if (name != "text") {
            throw std::invalid_argument("unknown digital setting " + Quoted(name) +
                                        "; expected text");
        }
        digital.text = value;
    }
    device_.digital = digital;
}

void DeviceFileParser::ParseOutputs(const Words& values) {
    keywords_set_.Mark("outputs", line_);
    DeviceDescription::Outputs outputs;
    outputs.table = FindNamed(kOutputTargets, values[0], "output target").table;
    const int span = outputs.table == Table::Coils ? kOutputs : 1;
    outputs.address = ParseAddress(values[1], span, "outputs address");
    device_.outputs = outputs;
}

void DeviceFileParser::ParseLayout(const Words& values) {
    keywords_set_.Mark("layout", line_);
    if (values[0] != "low" && values[0] != "high") {
        throw std::invalid_argument("unknown layout " + Quoted(values[0]) +
                                    "; expected low (DOUT n is bit n) or high (bit n + 8)");
    }
    layout_high_ = values[0] == "high";
}

DeviceDescription DeviceFileParser::Finish() {
    if (!keywords_set_.Contains("server")) {
        throw DeviceFileError(source_ +
                              ": no server line; add one, e.g. \"server 192.168.1.50 502\"");
    }
    if (channels_.empty()) {
        throw DeviceFileError(source_ +
                              ": no channel line; add one, e.g. \"channel 0 input-register 0\"");
    }
    CheckChannelsComplete();
    for (const auto& [index, entry] : channels_) {
        device_.channels.push_back(entry.second);
    }
    if (device_.channels.size() + (device_.digital ? 1 : 0) >
        static_cast<std::size_t>(kMaxDeviceChannels)) {
        throw DeviceFileError(source_ + ": at most " + std::to_string(kMaxDeviceChannels) +
                              " channels, the digital input included");
    }
    CheckLayout();
    return std::move(device_);
}

void DeviceFileParser::CheckChannelsComplete() const {
    int expected = 0;
    for (const auto& [index, entry] : channels_) {
        if (index != expected) {
            FailAt(entry.first, "channel " + std::to_string(index) +
                                    " comes after a gap: channel " + std::to_string(expected) +
                                    " is missing (channels are numbered 0, 1, 2, ...)");
        }
        ++expected;
    }
}

// The core takes the output layout from the identification's third character, so the file
// may not say otherwise.
void DeviceFileParser::CheckLayout() {
    const std::string& id = device_.identification;
    const bool identified_high = id.size() >= 3 && id[2] == '7';
    device_.high_byte_layout = identified_high;
    if (layout_high_ && *layout_high_ != identified_high) {
        FailAt(keywords_set_.LineOf("layout"),
               *layout_high_ ? "layout high needs an identification whose third character is 7, "
                               "e.g. identification \"QM7 rig\""
                             : "layout low needs an identification whose third character is not "
                               "7; " +
                                   Quoted(id) + " selects the high layout");
    }
}

void DeviceFileParser::FailAt(int line, const std::string& what) const {
    throw DeviceFileError(source_ + ":" + std::to_string(line) + ": " + what);
}

DeviceDescription LoadDeviceFile(const std::string& path) {
    std::istringstream text(ReadDeviceText(path));
    return DeviceFileParser(path).Parse(text);
}

}  // namespace quillon::modbus
