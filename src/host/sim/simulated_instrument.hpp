// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "host/host_control.hpp"
#include "host/sim/output_log.hpp"
#include "host/sim/scan_cache.hpp"
#include "host/sim/scenario.hpp"

namespace quillon::sim {

// A host that answers from a Scenario in real time: scan k is taken at k / scan rate seconds
// and the newest scan is floor(elapsed * scan rate). Use it from one thread.
class SimulatedInstrument final : public HostControl {
public:
    using Clock = std::function<double()>;  // seconds since start
    using OutputListener = std::function<void(double seconds, std::int16_t word)>;
    using ProblemListener = OutputLog::ProblemListener;

    struct OutputWrite {
        double seconds;
        std::int16_t word;
    };
    // OutputWrites keeps the newest writes only, so a long run does not grow without bound.
    static constexpr std::size_t kRecordedWrites = 10'000;

    // Raises std::invalid_argument for a scenario without channels or scan rate, or no clock.
    SimulatedInstrument(Scenario scenario, Clock seconds_since_start);

    // A clock for the front ends: steady time since this call.
    static Clock SteadyClockFromNow();

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
    std::string ChannelText(std::int16_t channel) override;

    // Call often: fires the exit event once when the scenario's exit time has come.
    void Service();

    void SetOutputListener(OutputListener listener) { output_listener_ = std::move(listener); }
    void SetProblemListener(ProblemListener listener) { problem_listener_ = std::move(listener); }

    const std::string& SelectedIdentification() const { return selected_identification_; }
    int PrepareAcquisitionCalls() const { return prepare_calls_; }
    int CompleteStartupCalls() const { return startup_calls_; }
    std::vector<OutputWrite> OutputWrites() const { return {writes_.begin(), writes_.end()}; }

private:
    double Now() const;
    const Scenario::Channel& ChannelAt(std::int16_t channel, const char* operation) const;
    void CheckReadsWork(double now) const;
    int ScansToReturn(int asked, double now) const;
    void FillBlock(std::int64_t newest, int scans, SampleBlock& block);
    void Record(double seconds, std::int16_t word);

    Scenario scenario_;
    ScanCache cache_{scenario_};
    Clock clock_;
    OutputLog log_;
    OutputListener output_listener_;
    ProblemListener problem_listener_;
    std::string selected_identification_;
    int prepare_calls_ = 0;
    int startup_calls_ = 0;
    std::deque<OutputWrite> writes_;
    bool exit_fired_ = false;
};

}  // namespace quillon::sim
