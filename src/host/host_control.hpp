// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "host/host_error.hpp"
#include "host/sample_block.hpp"
#include "host/window_block.hpp"

namespace quillon {

// The data-acquisition host, one operation per dispatch id of its control. Every operation
// raises HostError when the host cannot answer.
class HostControl {
public:
    virtual ~HostControl() = default;
    HostControl(const HostControl&) = delete;
    HostControl& operator=(const HostControl&) = delete;

    // Dispatch id 1, put: selects the instrument or host instance (the -d text).
    virtual void SetIdentification(const std::string& text) = 0;
    // Dispatch id 1, get: a third character "7" selects the high-byte output layout.
    virtual std::string Identification() = 0;
    // Dispatch id 2: channels in the scan list, at least 1.
    virtual std::int16_t ChannelCount() = 0;
    // Dispatch id 3: the value that stands for "#@" in equations.
    virtual double HostValue() = 0;
    // Dispatch id 6: the first range value of a channel (the start value of "min").
    virtual double UpperRange(std::int16_t channel) = 0;
    // Dispatch id 7: the second range value of a channel (the start value of "max").
    virtual double LowerRange(std::int16_t channel) = 0;
    // Dispatch id 8: the instrument model code; callers pass -2.
    virtual std::int32_t InstrumentModel(std::int16_t selector) = 0;
    // Dispatch id 12: -1 marks the digital-input channel.
    virtual std::int16_t DigitalInputMark(std::int16_t channel) = 0;
    // Dispatch id 14: after the settings load and at each Start, before the first read.
    virtual void PrepareAcquisition() = 0;
    // Dispatch id 15: once, at the end of start-up.
    virtual void CompleteStartup() = 0;
    // Dispatch id 16: writes DOUT 0 to 7.
    virtual void WriteDigitalOutputs(std::int16_t word) = 0;
    // Dispatch id 20 with (scans, 1): the newest scans, oldest first. The host may return
    // fewer scans than asked; callers check block.Scans().
    virtual void ReadScans(std::int16_t scans, SampleBlock& block) = 0;
    // Dispatch id 20 for the window statistics: the same read, of which `block` keeps only
    // the channels it selects (and every channel's newest scan). Hosts that can copy less
    // than every channel's window override it.
    virtual void ReadWindow(std::int16_t scans, WindowBlock& block) {
        ReadScans(scans, block.Staging());
        block.CopyFrom(block.Staging());
    }
    // Dispatch id 21: the text describing a channel.
    virtual std::string ChannelText(std::int16_t channel) = 0;

    // Event 10: the host is exiting. The handler runs on the caller's thread.
    void OnExit(std::function<void()> handler) { exit_handler_ = std::move(handler); }

protected:
    HostControl() = default;
    void NotifyExit() {
        if (exit_handler_) {
            exit_handler_();
        }
    }

private:
    std::function<void()> exit_handler_;
};

}  // namespace quillon
