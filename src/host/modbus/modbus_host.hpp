// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "host/host_connection.hpp"
#include "host/host_control.hpp"
#include "host/modbus/device_description.hpp"
#include "host/modbus/output_requests.hpp"
#include "host/modbus/scan_ring.hpp"

namespace quillon::modbus {

class ModbusPoller;

// Scans for the largest DataWindow (a 16-bit field) and the 26 history tokens besides it.
inline constexpr int kRingScans = 32767 + 27;

// A Modbus TCP device as the host. A poller thread reads the device into a ring of scans;
// every operation here answers from the ring or queues for the poller, so the tick never
// waits on the network. Use it from one thread.
class ModbusHost final : public HostControl, public HostConnection {
public:
    explicit ModbusHost(DeviceDescription device);
    ~ModbusHost() override;

    void SetIdentification(const std::string& text) override;
    std::string Identification() override;
    std::int16_t ChannelCount() override;
    double HostValue() override;
    double UpperRange(std::int16_t channel) override;
    double LowerRange(std::int16_t channel) override;
    std::int32_t InstrumentModel(std::int16_t selector) override;
    std::int16_t DigitalInputMark(std::int16_t channel) override;
    // At start-up and at each Start: unless the newest poll worked and is recent, waits,
    // boundedly, for a fresh one, so that a device that is away or refuses an address is
    // named before the run begins. Ends at once with HostWaitAbandoned when the stop probe
    // says the program is ending.
    void PrepareAcquisition() override;
    void CompleteStartup() override;
    // Queued for the poller, which writes it once it can; fails while the device has not
    // answered for longer than the staleness limit.
    void WriteDigitalOutputs(std::int16_t word) override;
    // The newest scans from the ring; before enough exist, the oldest stands in for the rest.
    // Fails only when the newest scan is older than the staleness limit (three poll periods
    // and two timeouts), whatever failed in between; with OutputWriteRefused when the device
    // refused an output write since the last read.
    void ReadScans(std::int16_t scans, SampleBlock& block) override;
    void ReadWindow(std::int16_t scans, WindowBlock& block) override;
    std::string ChannelText(std::int16_t channel) override;

    HostControl& Control() override { return *this; }
    // Hands on written words, late and refused poll counts, and the exit event once the device
    // has been away longer than its exit time (once per absence).
    void Service() override;
    void SetOutputListener(OutputListener listener) override {
        output_listener_ = std::move(listener);
    }
    void SetProblemListener(ProblemListener listener) override {
        problem_listener_ = std::move(listener);
    }
    bool Simulated() const override { return false; }
    void SetStopProbe(std::function<bool()> stop_requested) override {
        stop_requested_ = std::move(stop_requested);
    }
    bool Answering() override { return Answering(ring_.CurrentHealth()); }
    bool ConfirmsWritesLater() const override { return true; }
    void SetWriteConfirmationListener(WriteConfirmation listener) override {
        write_confirmation_ = std::move(listener);
    }

    // How long ago the newest scan's reply arrived; none before the first.
    std::optional<std::chrono::steady_clock::duration> NewestScanAge() const;
    std::int64_t LatePolls() const { return ring_.CurrentHealth().late_polls; }

private:
    using Clock = std::chrono::steady_clock;

    int Channels() const;
    // The ring's newest scans into a plain or a window block, after the checks of a read.
    template <typename Block>
    void ReadFromRing(std::int16_t scans, Block& block);
    void CheckChannel(std::int16_t channel, const char* operation) const;
    const DeviceDescription::Channel* AnalogChannel(std::int16_t channel) const;
    bool Answering(const ScanRing::Health& health) const;
    void ThrowIfStale(const ScanRing::Health& health) const;
    void CheckExitTime(const ScanRing::Health& health);
    void ReportLatePolls(const ScanRing::Health& health);
    void ReportFailedPolls(const ScanRing::Health& health);

    DeviceDescription device_;
    ScanRing ring_;
    OutputRequests requests_;
    std::unique_ptr<ModbusPoller> poller_;  // last: stops before what it uses goes
    Clock::time_point started_ = Clock::now();
    std::optional<Clock::time_point> run_started_;  // the first PrepareAcquisition
    Clock::duration stale_after_;
    OutputListener output_listener_;
    ProblemListener problem_listener_;
    WriteConfirmation write_confirmation_;
    std::function<bool()> stop_requested_;
    bool exit_fired_ = false;
    int refused_reported_ = 0;
    int failed_reported_ = 0;
    Clock::time_point failures_reported_at_{};
    std::int64_t late_polls_reported_ = 0;
    Clock::time_point late_polls_reported_at_{};
};

}  // namespace quillon::modbus
