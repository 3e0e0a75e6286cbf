// SPDX-License-Identifier: MIT
#include "host/modbus/modbus_host.hpp"

#include <algorithm>

#include "host/modbus/modbus_poller.hpp"
#include "host/modbus/seconds_text.hpp"
#include "utility/seconds_duration.hpp"

namespace quillon::modbus {

namespace {

using Seconds = std::chrono::duration<double>;

// How often the status may say that polls came late, or failed.
constexpr std::chrono::seconds kLatePollReportInterval{10};
constexpr std::chrono::seconds kFailedPollReportInterval{1};
// The stop request is a flag to ask, not a signal to wait on: waits for the device end this
// often to ask it.
constexpr std::chrono::milliseconds kStopCheckInterval{50};
constexpr std::string_view kNotAnswering = "device not answering: ";

std::chrono::steady_clock::duration Ticks(double seconds) {
    return SecondsToDuration(seconds);
}

// Deadlines far out saturate rather than wrap.
std::chrono::steady_clock::time_point Later(std::chrono::steady_clock::time_point from,
                                            std::chrono::steady_clock::duration by) {
    const auto room = std::chrono::steady_clock::time_point::max() - from;
    return by >= room ? std::chrono::steady_clock::time_point::max() : from + by;
}

std::string WithoutPrefix(const std::string& text, std::string_view prefix) {
    return text.rfind(prefix, 0) == 0 ? text.substr(prefix.size()) : text;
}

}  // namespace

ModbusHost::ModbusHost(DeviceDescription device)
    : device_(std::move(device)),
      ring_(static_cast<int>(device_.channels.size()) + (device_.digital ? 1 : 0), kRingScans),
      poller_(std::make_unique<ModbusPoller>(device_, ring_, requests_)),
      // A poll that is this late has hung on the network, whatever the poller thinks.
      stale_after_(Ticks(3.0 / device_.poll_rate + 2.0 * device_.response_timeout)) {}

ModbusHost::~ModbusHost() = default;

// The -d text selected this host already; the device file says how it identifies itself.
void ModbusHost::SetIdentification(const std::string& /*text*/) {}

std::string ModbusHost::Identification() {
    return device_.identification;
}

std::int16_t ModbusHost::ChannelCount() {
    return static_cast<std::int16_t>(Channels());
}

double ModbusHost::HostValue() {
    return device_.host_value;
}

double ModbusHost::UpperRange(std::int16_t channel) {
    CheckChannel(channel, "UpperRange");
    const auto* analog = AnalogChannel(channel);
    return analog != nullptr ? analog->upper_range : 255.0;
}

double ModbusHost::LowerRange(std::int16_t channel) {
    CheckChannel(channel, "LowerRange");
    const auto* analog = AnalogChannel(channel);
    return analog != nullptr ? analog->lower_range : 0.0;
}

std::int32_t ModbusHost::InstrumentModel(std::int16_t /*selector*/) {
    return device_.model;
}

std::int16_t ModbusHost::DigitalInputMark(std::int16_t channel) {
    CheckChannel(channel, "DigitalInputMark");
    return AnalogChannel(channel) == nullptr ? -1 : 0;
}

void ModbusHost::PrepareAcquisition() {
    if (!run_started_) {
        run_started_ = Clock::now();
    }
    if (Answering(ring_.CurrentHealth())) {
        return;  // the ring is fresh: Start need not wait for the next poll
    }
    const auto asked = Clock::now();
    requests_.RequestReconnect();
    const auto requests = static_cast<double>(device_.channels.size() + 2);
    const auto deadline =
        Later(Later(asked, stale_after_), Ticks(requests * device_.response_timeout));
    for (;;) {
        if (stop_requested_ && stop_requested_()) {
            throw HostWaitAbandoned("stopped waiting for " + DeviceAddress(device_) +
                                    ": the program is ending");
        }
        const ScanRing::Health health = ring_.CurrentHealth();
        if (health.newest_scan && *health.newest_scan >= asked) {
            return;
        }
        if (health.failure && health.failed_at && *health.failed_at >= asked) {
            throw HostError(*health.failure);
        }
        if (Clock::now() >= deadline) {
            throw HostError(std::string(kNotAnswering) + "no reply from " + DeviceAddress(device_) +
                            " within " + SecondsText(Seconds(deadline - asked).count()));
        }
        ring_.WaitForNews(asked, std::min(deadline, Later(Clock::now(), kStopCheckInterval)));
    }
}

void ModbusHost::CompleteStartup() {}

void ModbusHost::WriteDigitalOutputs(std::int16_t word) {
    ThrowIfStale(ring_.CurrentHealth());
    requests_.RequestWrite(word);
}

void ModbusHost::ReadScans(std::int16_t scans, SampleBlock& block) {
    ReadFromRing(scans, block);
}

void ModbusHost::ReadWindow(std::int16_t scans, WindowBlock& block) {
    ReadFromRing(scans, block);
}

template <typename Block>
void ModbusHost::ReadFromRing(std::int16_t scans, Block& block) {
    if (scans <= 0) {
        throw HostError("ReadScans: asked for " + std::to_string(scans) +
                        " scans; ask for at least 1");
    }
    // A write the device refused since the last tick stops the run like a failing read.
    if (auto failure = requests_.TakeWriteFailure()) {
        throw OutputWriteRefused("output write refused: " + *failure);
    }
    const ScanRing::Health health = ring_.CurrentHealth();
    ThrowIfStale(health);
    if (!ring_.CopyNewest(scans, block)) {
        throw HostError(std::string(kNotAnswering) + "no scan from " + DeviceAddress(device_) +
                        " yet" + (health.failure ? ": " + *health.failure : std::string()));
    }
}

std::string ModbusHost::ChannelText(std::int16_t channel) {
    CheckChannel(channel, "ChannelText");
    const auto* analog = AnalogChannel(channel);
    if (analog == nullptr) {
        return device_.digital->text;
    }
    return analog->text.empty() ? "Channel " + std::to_string(channel) : analog->text;
}

void ModbusHost::Service() {
    for (const auto& written : requests_.TakeWritten()) {
        if (!written.refusal.empty()) {
            if (write_confirmation_) {
                write_confirmation_(written.word, written.refusal);
            }
            continue;
        }
        if (output_listener_) {
            output_listener_(Seconds(written.when - run_started_.value_or(started_)).count(),
                             written.word);
        }
        if (write_confirmation_) {
            write_confirmation_(written.word, "");
        }
    }
    const ScanRing::Health health = ring_.CurrentHealth();
    CheckExitTime(health);
    ReportLatePolls(health);
    ReportFailedPolls(health);
}

std::optional<std::chrono::steady_clock::duration> ModbusHost::NewestScanAge() const {
    const auto newest = ring_.CurrentHealth().newest_scan;
    if (!newest) {
        return std::nullopt;
    }
    return Clock::now() - *newest;
}

int ModbusHost::Channels() const {
    return static_cast<int>(device_.channels.size()) + (device_.digital ? 1 : 0);
}

void ModbusHost::CheckChannel(std::int16_t channel, const char* operation) const {
    const int count = Channels();
    if (channel < 0 || channel >= count) {
        throw HostError(std::string(operation) + ": channel " + std::to_string(channel) +
                        " is out of range; " + device_.file + " has " + std::to_string(count) +
                        " channels (0 to " + std::to_string(count - 1) + ")");
    }
}

const DeviceDescription::Channel* ModbusHost::AnalogChannel(std::int16_t channel) const {
    const auto index = static_cast<std::size_t>(channel);
    return index < device_.channels.size() ? &device_.channels[index] : nullptr;
}

bool ModbusHost::Answering(const ScanRing::Health& health) const {
    return !health.failure && health.newest_scan &&
           Clock::now() - *health.newest_scan <= stale_after_;
}

// One failed poll is no reason to stop: only a newest scan older than the limit is.
void ModbusHost::ThrowIfStale(const ScanRing::Health& health) const {
    if (!health.newest_scan || Clock::now() - *health.newest_scan <= stale_after_) {
        return;
    }
    const std::string age = SecondsText(Seconds(Clock::now() - *health.newest_scan).count());
    if (health.failure && health.refused) {
        throw HostError(*health.failure + " (no good poll for " + age + ")");
    }
    throw HostError(std::string(kNotAnswering) + "no good reply for " + age + ": " +
                    (health.failure ? WithoutPrefix(*health.failure, kNotAnswering)
                                    : "the request on " + DeviceAddress(device_) + " is pending"));
}

// Away means no good poll: counted from the newest scan (or from the start, before the
// first), whether the device refuses connections or a gateway refuses every request.
void ModbusHost::CheckExitTime(const ScanRing::Health& health) {
    if (!health.failure) {
        exit_fired_ = false;  // back: the next absence gets its own notice
        return;
    }
    if (exit_fired_ || !device_.exit_after) {
        return;
    }
    // Never sooner than a read would fail: a blip is no absence.
    const auto away_since = health.newest_scan.value_or(started_);
    if (Clock::now() - away_since >= std::max(Ticks(*device_.exit_after), stale_after_)) {
        exit_fired_ = true;
        NotifyExit();
    }
}

void ModbusHost::ReportLatePolls(const ScanRing::Health& health) {
    const auto now = Clock::now();
    if (health.late_polls == late_polls_reported_ ||
        now - late_polls_reported_at_ < kLatePollReportInterval || !problem_listener_) {
        return;
    }
    late_polls_reported_ = health.late_polls;
    late_polls_reported_at_ = now;
    problem_listener_("Modbus polls: " + std::to_string(health.late_polls) + " of " +
                      std::to_string(health.polls) + " came late (one poll every " +
                      SecondsText(1.0 / device_.poll_rate) + ")");
}

}  // namespace quillon::modbus

namespace quillon::modbus {

void ModbusHost::ReportFailedPolls(const ScanRing::Health& health) {
    const auto now = Clock::now();
    if (!problem_listener_ || now - failures_reported_at_ < kFailedPollReportInterval) {
        return;
    }
    if (health.refused_last_minute > refused_reported_) {
        problem_listener_("Modbus: " + std::to_string(health.refused_last_minute) +
                          " refused poll" + (health.refused_last_minute == 1 ? "" : "s") +
                          " in the last minute (" + health.last_refusal + ")");
        failures_reported_at_ = now;
    } else if (health.failed_last_minute > failed_reported_) {
        problem_listener_("Modbus: " + std::to_string(health.failed_last_minute) + " failed poll" +
                          (health.failed_last_minute == 1 ? "" : "s") + " in the last minute (" +
                          health.last_loss + ")");
        failures_reported_at_ = now;
    }
    refused_reported_ = health.refused_last_minute;
    failed_reported_ = health.failed_last_minute;
}

}  // namespace quillon::modbus
