// SPDX-License-Identifier: MIT
#pragma once

#include <iosfwd>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "host/modbus/device_description.hpp"
#include "host/modbus/device_file_error.hpp"
#include "host/syntax/line_syntax.hpp"

namespace quillon::modbus {

// Reads a device file line by line, one keyword and its values per line, with the lexical
// rules of scenario files. Raises DeviceFileError "source:line: what".
class DeviceFileParser {
public:
    explicit DeviceFileParser(std::string source_name) : source_(std::move(source_name)) {}

    DeviceDescription Parse(std::istream& in);

private:
    using Words = syntax::Words;
    using Keyword = syntax::Keyword<DeviceFileParser>;

    static const std::vector<Keyword>& Keywords();

    void ParseLine(const std::string& line);

    void ParseServer(const Words& values);
    void ParseUnit(const Words& values);
    void ParsePollRate(const Words& values);
    void ParseTimeout(const Words& values);
    void ParseExitAfter(const Words& values);
    void ParseIdentification(const Words& values);
    void ParseModel(const Words& values);
    void ParseHostValue(const Words& values);
    void ParseChannel(const Words& values);
    void ParseDigital(const Words& values);
    void ParseOutputs(const Words& values);
    void ParseLayout(const Words& values);

    DeviceDescription Finish();
    void CheckChannelsComplete() const;
    void CheckLayout();
    [[noreturn]] void FailAt(int line, const std::string& what) const;

    std::string source_;
    int line_ = 0;
    DeviceDescription device_;
    syntax::KeywordsSet keywords_set_;
    std::map<int, std::pair<int, DeviceDescription::Channel>> channels_;  // index: line, channel
    std::optional<bool> layout_high_;
};

// Raises DeviceFileError when the file cannot be read or parsed, is not a regular file, or is
// larger than 1 MiB.
DeviceDescription LoadDeviceFile(const std::string& path);

}  // namespace quillon::modbus
