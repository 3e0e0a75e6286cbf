// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "app/run_add_on.hpp"
#include "control/event_sink.hpp"
#include "fleet/fleet_publisher.hpp"
#include "panel/panel_observer.hpp"

namespace quillon::fleet {

// The fleet publisher in a live run: it taps the event log's lines, keeps the state topic up
// to date from the Panel and the instance's facts, and puts what the broker did into the event
// log and the status line. All of it on the tick's thread, and cheap when nothing changes.
class FleetAddOn final : public RunAddOn, private EventSink, private PanelObserver {
public:
    FleetAddOn(const RunParts& parts, FleetSettings settings, std::filesystem::path spool_root);
    ~FleetAddOn() override;

    void Loaded() override;

private:
    // EventSink: each event marks the state changed; the lines come through the log's tap.
    void TickStarted(std::uint64_t) override {}
    void Idle() override;
    void RunStarted() override { Changed(); }
    void RunStopped(std::string_view reason) override;
    void SlotChanged(const SlotChange&) override { Changed(); }
    void ModeChanged(int, std::string_view, std::string_view, int, ChangeSource) override {
        Changed();
    }
    void SwitchChanged(std::string_view, int, ChangeSource) override { Changed(); }
    void OutputWritten(const OutputWrite& write) override;
    void AudioAlarmChanged(bool) override { Changed(); }
    void AgentLaunched(std::string_view, std::string_view, std::string_view) override {}
    void AgentExited(std::string_view, bool, int, std::string_view) override {}
    void HostExited() override { Changed(); }
    void PanelChanged(PanelField field, int slot) override;

    void Changed();
    std::string StateJson();
    void OfferChannelsIfDue();
    void ReportNotices();

    RunParts parts_;
    FleetSettings settings_;
    std::filesystem::path spool_root_;
    std::unique_ptr<FleetPublisher> publisher_;
    bool changed_ = true;
    bool lines_offered_ = false;  // since the publisher was last woken
    std::chrono::system_clock::time_point changed_at_;
    std::string stop_reason_ = "operator";
    std::int16_t output_word_ = 0;
    std::string host_identification_;
    std::int32_t model_ = 0;
    std::chrono::steady_clock::time_point channels_sent_{};
    std::uint64_t channels_recorded_ = 0;
};

// The hook for a program: when fleet.ini lies beside the settings file, the publisher is made;
// otherwise nothing is, and the run pays nothing.
RunAddOnMaker FleetAddOnMaker();

}  // namespace quillon::fleet
