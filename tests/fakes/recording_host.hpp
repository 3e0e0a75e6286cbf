// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

#include "host/host_control.hpp"

namespace quillon::testing {

// A host that answers from fields and records every call as "id" or "id:argument".
class RecordingHost final : public HostControl {
public:
    std::string identification = "DI-2108";
    std::int32_t model = 2108;
    std::int16_t channels = 4;
    std::vector<std::string> calls;

    void SetIdentification(const std::string& text) override { calls.push_back("1put:" + text); }
    std::string Identification() override {
        calls.push_back("1get");
        return identification;
    }
    std::int16_t ChannelCount() override {
        calls.push_back("2");
        return channels;
    }
    double HostValue() override {
        calls.push_back("3");
        return 0.0;
    }
    double UpperRange(std::int16_t channel) override { return Record("6", channel, 10.0); }
    double LowerRange(std::int16_t channel) override { return Record("7", channel, -10.0); }
    std::int32_t InstrumentModel(std::int16_t selector) override {
        return Record("8", selector, model);
    }
    std::int16_t DigitalInputMark(std::int16_t channel) override {
        return Record<std::int16_t>("12", channel, 0);
    }
    void PrepareAcquisition() override { calls.push_back("14"); }
    void CompleteStartup() override { calls.push_back("15"); }
    void WriteDigitalOutputs(std::int16_t word) override { Record("16", word, 0); }
    void ReadScans(std::int16_t scans, SampleBlock& block) override {
        Record("20", scans, 0);
        block.Resize(channels, scans);
    }
    std::string ChannelText(std::int16_t channel) override {
        return Record<std::string>("21", channel, "text");
    }

    void Exit() { NotifyExit(); }

private:
    template <typename T>
    T Record(const std::string& id, int argument, T answer) {
        calls.push_back(id + ":" + std::to_string(argument));
        return answer;
    }
};

}  // namespace quillon::testing
