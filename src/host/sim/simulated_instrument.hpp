// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "host/host_connection.hpp"
#include "host/host_control.hpp"
#include "host/sim/output_log.hpp"
#include "host/sim/scan_cache.hpp"
#include "host/sim/scenario.hpp"

namespace quillon::sim {

// A host that answers from a Scenario in real time: scan k is taken at k / scan rate seconds
// and the newest scan is floor(elapsed * scan rate); a recording's scan k is its row k. Use it
// from one thread.
class SimulatedInstrument final : public HostControl, public HostConnection {
public:
    using Clock = std::function<double()>;  // seconds since start

    // Raises std::invalid_argument for a scenario without channels or scan rate, or no clock.
    SimulatedInstrument(Scenario scenario, Clock seconds_since_start);

    // A clock for the front ends: steady time since this call.
    static Clock SteadyClockFromNow();
    // The scenario's time is the clock's reading less `clock_reading`, from the start (a
    // replay's clock reads recording time already), instead of from the first
    // PrepareAcquisition.
    void SetTimeOrigin(double clock_reading) { origin_ = clock_reading; }

    void SetIdentification(const std::string& text) override;
    std::string Identification() override;
    std::int16_t ChannelCount() override;
    double HostValue() override;
    double UpperRange(std::int16_t channel) override;
    double LowerRange(std::int16_t channel) override;
    std::int32_t InstrumentModel(std::int16_t selector) override;
    std::int16_t DigitalInputMark(std::int16_t channel) override;
    void PrepareAcquisition() override;
    void CompleteStartup() override;
    void WriteDigitalOutputs(std::int16_t word) override;
    // Before enough scans exist, the missing older ones repeat scan 0.
    void ReadScans(std::int16_t scans, SampleBlock& block) override;
    // The same scans, only the window's selected channels whole.
    void ReadWindow(std::int16_t scans, WindowBlock& block) override;
    std::string ChannelText(std::int16_t channel) override;

    HostControl& Control() override { return *this; }
    // Call often: fires the exit event once when the scenario's exit time has come.
    void Service() override;
    void SetOutputListener(OutputListener listener) override {
        output_listener_ = std::move(listener);
    }
    void SetProblemListener(ProblemListener listener) override {
        problem_listener_ = std::move(listener);
    }
    bool Simulated() const override { return true; }

private:
    double Now() const;
    const Scenario::Channel& ChannelAt(std::int16_t channel, const char* operation) const;
    void CheckReadsWork(double now) const;
    void CheckRecordingLasts(std::int64_t newest) const;
    std::int64_t NewestScan(double now) const;
    int ScansToReturn(int asked, double now) const;
    std::int64_t CheckedNewestScan(std::int16_t scans, double now) const;
    // Hands `fill` each scan's row of channel values, oldest first.
    template <typename Fill>
    void ForEachRow(std::int64_t newest, int scans, Fill fill);
    void FillBlock(std::int64_t newest, int scans, SampleBlock& block);
    void FillHistoryOnly(std::int64_t newest, int scans, SampleBlock& block);
    void FillWindow(std::int64_t newest, int scans, WindowBlock& block);

    Scenario scenario_;
    ScanCache cache_{scenario_};
    Clock clock_;
    OutputLog log_;
    OutputListener output_listener_;
    ProblemListener problem_listener_;
    bool exit_fired_ = false;
    std::optional<double> origin_;  // the clock's reading at the first PrepareAcquisition
};

}  // namespace quillon::sim
