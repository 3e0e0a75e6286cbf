// SPDX-License-Identifier: MIT
#include "host/modbus/modbus_poller.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <utility>

#include "utility/seconds_duration.hpp"

namespace quillon::modbus {

namespace {

constexpr std::chrono::milliseconds kFirstBackoff{100};
constexpr std::chrono::milliseconds kLongestBackoff{1000};

}  // namespace

ModbusPoller::StopPipe::StopPipe() {
    int ends[2] = {-1, -1};
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) == 0) {
        read_end = ends[0];
        write_end = ends[1];
    }
}

ModbusPoller::StopPipe::~StopPipe() {
    for (const int end : {read_end, write_end}) {
        if (end >= 0) {
            ::close(end);
        }
    }
}

ModbusPoller::ModbusPoller(const DeviceDescription& device, ScanRing& ring,
                           OutputRequests& requests)
    : device_(device),
      ring_(ring),
      requests_(requests),
      plan_(device),
      link_(device, stop_pipe_.read_end),
      replies_(static_cast<std::size_t>(plan_.ReplyWords())),
      scan_(static_cast<std::size_t>(plan_.Values())),
      period_(SecondsToDuration(1.0 / device.poll_rate)),
      next_poll_(Clock::now()),
      next_connect_(Clock::now()),
      backoff_(kFirstBackoff),
      thread_([this] { Run(); }) {}

ModbusPoller::~ModbusPoller() {
    requests_.RequestStop();
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(stop_pipe_.write_end, &byte, 1);
    thread_.join();
}

void ModbusPoller::Run() {
    while (!requests_.StopRequested()) {
        try {
            Step();
        } catch (const LinkError& error) {
            if (!error.Stopped()) {
                Fail(error);
            }
        }
    }
}

void ModbusPoller::Step() {
    if (requests_.TakeReconnectRequest()) {
        next_connect_ = Clock::now();  // the operator is waiting: no backoff now
    }
    if (!link_.Connected()) {
        TryConnect();
    } else if (Clock::now() >= next_poll_) {
        Poll();
    }
    if (link_.Connected() && unwritten_) {
        Write(*std::exchange(unwritten_, std::nullopt));
    }
    const auto wake = link_.Connected() ? next_poll_ : next_connect_;
    if (const auto word = requests_.WaitForWork(wake)) {
        Write(*word);
    }
}

void ModbusPoller::TryConnect() {
    if (Clock::now() < next_connect_) {
        return;
    }
    link_.Connect();
    link_proven_ = false;
    next_poll_ = Clock::now();
    Poll();
}

void ModbusPoller::Poll() {
    try {
        ReadAll();
    } catch (const LinkError& error) {
        if (!error.ConnectionLost() || !link_proven_) {
            ScheduleNextPoll();
            throw;
        }
        // A connection that worked and fails now was most likely closed while idle.
        link_proven_ = false;
        try {
            link_.Connect();
            ReadAll();
        } catch (const LinkError&) {
            ScheduleNextPoll();
            throw;
        }
    }
    ScheduleNextPoll();
}

void ModbusPoller::ReadAll() {
    const auto& requests = plan_.Requests();
    for (std::size_t i = 0; i < requests.size(); ++i) {
        link_.Read(requests[i], replies_.data() + plan_.ReplyOffset(i));
    }
    const auto arrived = Clock::now();
    plan_.Decode(replies_.data(), scan_.data());
    ring_.Push(scan_.data(), arrived);
    link_proven_ = true;
    backoff_ = kFirstBackoff;
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
    if (!device_.outputs) {  // a device without outputs takes every word and drives nothing
        requests_.ReportWritten(word, Clock::now());
        return;
    }
    if (!link_.Connected()) {
        unwritten_ = word;  // written once the connection is back
        return;
    }
    try {
        link_.WriteOutputs(*device_.outputs, static_cast<std::uint16_t>(word),
                           device_.high_byte_layout);
        requests_.ReportWritten(word, Clock::now());
    } catch (const LinkError& error) {
        if (error.Refused()) {
            requests_.ReportWriteFailure(word, Clock::now(), error.what());
            return;
        }
        if (!error.Stopped()) {
            unwritten_ = word;
        }
        throw;
    }
}

void ModbusPoller::Fail(const LinkError& error) {
    const auto now = Clock::now();
    ring_.ReportFailure(error.what(), now, error.Refused());
    if (error.ConnectionLost()) {
        next_connect_ = now + backoff_;
        backoff_ = std::min<Clock::duration>(backoff_ * 2, kLongestBackoff);
    }
}

}  // namespace quillon::modbus
