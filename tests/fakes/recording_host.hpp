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
    double host_value = 0.0;
    int digital_channel = -1;  // the channel whose mark is -1, or none
    double upper_range = 10.0;
    double lower_range = -10.0;
    SampleBlock block;  // what a read returns, cut or padded with zeros to the ask
    bool fail_reads = false;
    bool fail_writes = false;
    bool fail_texts = false;
    bool record = true;  // off for the hot loops of the substitution tests
    std::vector<std::string> calls;

    void SetIdentification(const std::string& text) override { Note("1put:" + text); }
    std::string Identification() override {
        Note("1get");
        return identification;
    }
    std::int16_t ChannelCount() override {
        Note("2");
        return channels;
    }
    double HostValue() override {
        Note("3");
        return host_value;
    }
    double UpperRange(std::int16_t channel) override { return Record("6", channel, upper_range); }
    double LowerRange(std::int16_t channel) override { return Record("7", channel, lower_range); }
    std::int32_t InstrumentModel(std::int16_t selector) override {
        return Record("8", selector, model);
    }
    std::int16_t DigitalInputMark(std::int16_t channel) override {
        return Record<std::int16_t>("12", channel, channel == digital_channel ? -1 : 0);
    }
    void PrepareAcquisition() override { Note("14"); }
    void CompleteStartup() override { Note("15"); }
    void WriteDigitalOutputs(std::int16_t word) override {
        Record("16", word, 0);
        if (fail_writes) {
            throw HostError("write failed");
        }
    }
    void ReadScans(std::int16_t scans, SampleBlock& out) override {
        Record("20", scans, 0);
        if (fail_reads) {
            throw HostError("read failed");
        }
        out.Resize(channels, scans);
        for (int ch = 0; ch < channels && ch < block.Channels(); ++ch) {
            for (int scan = 0; scan < scans && scan < block.Scans(); ++scan) {
                out.Set(ch, scan, block.At(ch, scan));
            }
        }
    }
    std::string ChannelText(std::int16_t channel) override {
        if (fail_texts) {
            throw HostError("no channel text");
        }
        return Record<std::string>("21", channel, "text");
    }

    void Exit() { NotifyExit(); }

private:
    void Note(const std::string& call) {
        if (record) {
            calls.push_back(call);
        }
    }
    template <typename T>
    T Record(const std::string& id, int argument, T answer) {
        Note(id + ":" + std::to_string(argument));
        return answer;
    }
};

}  // namespace quillon::testing
