// SPDX-License-Identifier: MIT
#include "host/modbus/modbus_host.hpp"

#include <thread>

#include "host/modbus/modbus_poller.hpp"

namespace quillon::modbus {

namespace {

using Seconds = std::chrono::duration<double>;

// How often the status may say that polls came late.
constexpr std::chrono::seconds kLatePollReportInterval{10};
constexpr std::chrono::milliseconds kPrepareCheckInterval{2};

template <typename Duration>
std::chrono::steady_clock::duration Ticks(Duration duration) {
    return std::chrono::duration_cast<std::chrono::steady_clock::duration>(duration);
}

std::string SecondsText(double seconds) {
    std::string text = std::to_string(seconds);
    text.erase(text.find_last_not_of('0') + 1);
    if (!text.empty() && text.back() == '.') {
        text.pop_back();
    }
    return text + " s";
}

}  // namespace

ModbusHost::ModbusHost(DeviceDescription device)
    : device_(std::move(device)),
      ring_(static_cast<int>(device_.channels.size()) + (device_.digital ? 1 : 0), kRingScans),
      poller_(std::make_unique<ModbusPoller>(device_, ring_, requests_)),
      // A poll that is this late has hung on the network, whatever the poller thinks.
      stale_after_(Ticks(Seconds(3.0 / device_.poll_rate + 2.0 * device_.response_timeout))) {}

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
    if (Answering(ring_.CurrentHealth())) {
        return;  // the ring is fresh: Start need not wait for the next poll
    }
    const auto asked = Clock::now();
    requests_.RequestReconnect();
    const auto requests = static_cast<double>(device_.channels.size() + 2);
    const auto deadline =
        asked + stale_after_ + Ticks(Seconds(requests * device_.response_timeout));
    for (;;) {
        const ScanRing::Health health = ring_.CurrentHealth();
        if (health.newest_scan && *health.newest_scan >= asked) {
            return;
        }
        if (health.failed_at && *health.failed_at >= asked) {
            ThrowIfFailing(health);
        }
        if (Clock::now() >= deadline) {
            throw HostError("device not answering: no reply from " + device_.server + ":" +
                            std::to_string(device_.port) + " within " +
                            SecondsText(Seconds(deadline - asked).count()));
        }
        std::this_thread::sleep_for(kPrepareCheckInterval);
    }
}

void ModbusHost::CompleteStartup() {}

void ModbusHost::WriteDigitalOutputs(std::int16_t word) {
    if (auto failure = requests_.TakeWriteFailure()) {
        throw HostError(*failure);
    }
    ThrowIfFailing(ring_.CurrentHealth());
    requests_.RequestWrite(word);
}

void ModbusHost::ReadScans(std::int16_t scans, SampleBlock& block) {
    if (scans <= 0) {
        throw HostError("ReadScans: asked for " + std::to_string(scans) +
                        " scans; ask for at least 1");
    }
    // A write the device refused since the last tick stops the run like a failing read.
    if (auto failure = requests_.TakeWriteFailure()) {
        throw HostError(*failure);
    }
    ThrowIfFailing(ring_.CurrentHealth());
    if (!ring_.CopyNewest(scans, block)) {
        throw HostError("device not answering: no scan from " + device_.server + " yet");
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
        if (output_listener_) {
            output_listener_(Seconds(written.when - started_).count(), written.word);
        }
    }
    const ScanRing::Health health = ring_.CurrentHealth();
    CheckExitTime(health);
    ReportLatePolls(health);
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

void ModbusHost::ThrowIfFailing(const ScanRing::Health& health) const {
    if (health.failure) {
        throw HostError(*health.failure);
    }
    if (health.newest_scan && Clock::now() - *health.newest_scan > stale_after_) {
        throw HostError("device not answering: no reply from " + device_.server + ":" +
                        std::to_string(device_.port) + " for " +
                        SecondsText(Seconds(Clock::now() - *health.newest_scan).count()));
    }
}

void ModbusHost::CheckExitTime(const ScanRing::Health& health) {
    if (exit_fired_ || !device_.exit_after || !health.away_since) {
        return;
    }
    if (Seconds(Clock::now() - *health.away_since).count() >= *device_.exit_after) {
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
