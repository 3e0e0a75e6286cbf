// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>

#include "host/host_control.hpp"

namespace quillon::bench {

// Passes every call to a real host and adds up the time spent in its reads, so that a tick's
// cost can be split into the host's read and the core's own share.
class TimedHost final : public HostControl {
public:
    explicit TimedHost(HostControl& inner) : inner_(inner) {}

    std::chrono::nanoseconds read_time{0};

    void SetIdentification(const std::string& text) override { inner_.SetIdentification(text); }
    std::string Identification() override { return inner_.Identification(); }
    std::int16_t ChannelCount() override { return inner_.ChannelCount(); }
    double HostValue() override { return inner_.HostValue(); }
    double UpperRange(std::int16_t channel) override { return inner_.UpperRange(channel); }
    double LowerRange(std::int16_t channel) override { return inner_.LowerRange(channel); }
    std::int32_t InstrumentModel(std::int16_t selector) override {
        return inner_.InstrumentModel(selector);
    }
    std::int16_t DigitalInputMark(std::int16_t channel) override {
        return inner_.DigitalInputMark(channel);
    }
    void PrepareAcquisition() override { inner_.PrepareAcquisition(); }
    void CompleteStartup() override { inner_.CompleteStartup(); }
    void WriteDigitalOutputs(std::int16_t word) override { inner_.WriteDigitalOutputs(word); }
    void ReadScans(std::int16_t scans, SampleBlock& block) override {
        const auto start = std::chrono::steady_clock::now();
        inner_.ReadScans(scans, block);
        read_time += std::chrono::steady_clock::now() - start;
    }
    void ReadWindow(std::int16_t scans, WindowBlock& block) override {
        const auto start = std::chrono::steady_clock::now();
        inner_.ReadWindow(scans, block);
        read_time += std::chrono::steady_clock::now() - start;
    }
    std::string ChannelText(std::int16_t channel) override { return inner_.ChannelText(channel); }

private:
    HostControl& inner_;
};

}  // namespace quillon::bench
