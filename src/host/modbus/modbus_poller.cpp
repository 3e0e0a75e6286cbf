// SPDX-License-Identifier: MIT
#include "host/modbus/modbus_poller.hpp"

#include <algorithm>

namespace quillon::modbus {

namespace {

constexpr std::chrono::milliseconds kFirstBackoff{100};
constexpr std::chrono::milliseconds kLongestBackoff{2000};

}  // namespace

ModbusPoller::ModbusPoller(const DeviceDescription& device, ScanRing& ring,
                           OutputRequests& requests)
    : device_(device),
      ring_(ring),
      requests_(requests),
      plan_(device),
      link_(device),
      replies_(static_cast<std::size_t>(plan_.ReplyWords())),
      scan_(static_cast<std::size_t>(plan_.Values())),
      period_(std::chrono::duration_cast<Clock::duration>(
          std::chrono::duration<double>(1.0 / device.poll_rate))),
      next_poll_(Clock::now()),
      next_connect_(Clock::now()),
      backoff_(kFirstBackoff),
      thread_([this] { Run(); }) {}

ModbusPoller::~ModbusPoller() {
    requests_.RequestStop();
    thread_.join();
}

void ModbusPoller::Run() {
    while (!requests_.StopRequested()) {
        if (requests_.TakeReconnectRequest()) {
            next_connect_ = Clock::now();  // the operator is waiting: no backoff now
        }
        if (!link_.Connected()) {
            TryConnect();
        } else if (Clock::now() >= next_poll_) {
            Poll();
        }
        const auto wake = link_.Connected() ? next_poll_ : next_connect_;
        if (const auto word = requests_.WaitForWork(wake)) {
            Write(*word);
        }
    }
}

void ModbusPoller::TryConnect() {
    if (Clock::now() < next_connect_) {
        return;
    }
    try {
        link_.Connect();
        backoff_ = kFirstBackoff;
        next_poll_ = Clock::now();
        Poll();
    } catch (const LinkError& error) {
        Fail(error);
    }
}

void ModbusPoller::Poll() {
    try {
        const auto& requests = plan_.Requests();
        for (std::size_t i = 0; i < requests.size(); ++i) {
            link_.Read(requests[i], replies_.data() + plan_.ReplyOffset(i));
        }
        const auto arrived = Clock::now();
        plan_.Decode(replies_.data(), scan_.data());
        ring_.Push(scan_.data(), arrived);
    } catch (const LinkError& error) {
        Fail(error);
    }
    ScheduleNextPoll();
}

// Polls stay on a grid of the period; a poll that missed its slot is counted and the grid
// moves on rather than firing the missed polls in a burst.
void ModbusPoller::ScheduleNextPoll() {
    next_poll_ += period_;
    const auto now = Clock::now();
    if (next_poll_ <= now) {
        ring_.CountLatePoll();
        const auto missed = (now - next_poll_) / period_ + 1;
        next_poll_ += missed * period_;
    }
}

void ModbusPoller::Write(std::int16_t word) {
    if (!link_.Connected()) {
        requests_.ReportWriteFailure("device not answering: the output word " +
                                     std::to_string(word) + " was not written");
        return;
    }
    if (!device_.outputs) {  // a device without outputs takes every word and drives nothing
        requests_.ReportWritten(word, Clock::now());
        return;
    }
    try {
        link_.WriteOutputs(*device_.outputs, static_cast<std::uint16_t>(word),
                           device_.high_byte_layout);
        requests_.ReportWritten(word, Clock::now());
    } catch (const LinkError& error) {
        requests_.ReportWriteFailure(error.what());
        if (error.ConnectionLost()) {
            Fail(error);
        }
    }
}

void ModbusPoller::Fail(const LinkError& error) {
    ring_.ReportFailure(error.what(), Clock::now(), error.ConnectionLost());
    if (error.ConnectionLost()) {
        next_connect_ = Clock::now() + backoff_;
        backoff_ = std::min<Clock::duration>(backoff_ * 2, kLongestBackoff);
    }
}

}  // namespace quillon::modbus
