// SPDX-License-Identifier: MIT
#pragma once

#include <map>
#include <string>
#include <vector>

#include "host/host_control.hpp"

namespace quillon::testing {

// A host with per-channel range values and texts, for the alarm e-mail and the manual output
// word. Records the channel reads as "id:channel" and the output writes.
class ScriptedHost final : public HostControl {
public:
    struct Channel {
        double upper = 10.0;   // dispatch id 6
        double lower = -10.0;  // dispatch id 7
        std::string text = "text";
    };
    std::vector<Channel> channels{Channel{}};
    std::vector<std::string> calls;
    std::vector<std::int16_t> writes;
    bool fail_writes = false;
    bool fail_texts = false;

    void SetIdentification(const std::string&) override {}
    std::string Identification() override { return "DI-2108"; }
    std::int16_t ChannelCount() override {
        calls.push_back("2");
        return static_cast<std::int16_t>(channels.size());
    }
    double HostValue() override { return 0.0; }
    double UpperRange(std::int16_t channel) override {
        calls.push_back("6:" + std::to_string(channel));
        return At(channel).upper;
    }
    double LowerRange(std::int16_t channel) override {
        calls.push_back("7:" + std::to_string(channel));
        return At(channel).lower;
    }
    std::int32_t InstrumentModel(std::int16_t) override { return 2108; }
    std::int16_t DigitalInputMark(std::int16_t) override { return 0; }
    void PrepareAcquisition() override {}
    void CompleteStartup() override {}
    void WriteDigitalOutputs(std::int16_t word) override {
        if (fail_writes) {
            throw HostError("instrument not responding");
        }
        writes.push_back(word);
    }
    void ReadScans(std::int16_t, SampleBlock&) override {}
    std::string ChannelText(std::int16_t channel) override {
        calls.push_back("21:" + std::to_string(channel));
        if (fail_texts) {
            throw HostError("no channel text");
        }
        return At(channel).text;
    }

private:
    const Channel& At(std::int16_t channel) const {
        return channels.at(static_cast<std::size_t>(channel));
    }
};

}  // namespace quillon::testing
