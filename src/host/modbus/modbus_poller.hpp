// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <thread>
#include <vector>

#include "host/modbus/device_description.hpp"
#include "host/modbus/modbus_link.hpp"
#include "host/modbus/output_requests.hpp"
#include "host/modbus/read_plan.hpp"
#include "host/modbus/scan_ring.hpp"

namespace quillon::modbus {

// The one thread that talks to the device: it connects, reads every input at the poll rate
// into the ring, and writes the output words the core asks for, before the next poll. A poll
// that fails on a connection that worked is tried once more at once on a fresh connection (a
// device that closes idle connections); after that the poller connects again with a backoff
// of 0.1 s to 1 s. An output word that could not be written for a lost connection is written
// once the connection is back.
class ModbusPoller {
public:
    ModbusPoller(const DeviceDescription& device, ScanRing& ring, OutputRequests& requests);
    // Ends the thread at once, whatever request it is waiting on.
    ~ModbusPoller();
    ModbusPoller(const ModbusPoller&) = delete;
    ModbusPoller& operator=(const ModbusPoller&) = delete;

private:
    using Clock = std::chrono::steady_clock;

    // Each step ends early with LinkError::Kind::Stopped when the program ends.
    void Run();
    void Step();
    void TryConnect();
    void Poll();
    void ReadAll();
    void Write(std::int16_t word);
    void ScheduleNextPoll();
    void Fail(const LinkError& error);

    struct StopPipe {
        StopPipe();
        ~StopPipe();
        int read_end = -1;
        int write_end = -1;
    };

    const DeviceDescription& device_;
    ScanRing& ring_;
    OutputRequests& requests_;
    StopPipe stop_pipe_;
    ReadPlan plan_;
    ModbusLink link_;
    std::vector<std::uint16_t> replies_;
    std::vector<double> scan_;
    Clock::duration period_;
    Clock::time_point next_poll_;
    Clock::time_point next_connect_;
    Clock::duration backoff_;
    bool link_proven_ = false;  // the connection has carried a good reply
    std::optional<std::int16_t> unwritten_;
    std::thread thread_;  // last: starts once everything it uses is there
};

}  // namespace quillon::modbus
