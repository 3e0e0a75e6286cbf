// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

#include "host/modbus/device_description.hpp"
#include "host/modbus/modbus_link.hpp"
#include "host/modbus/output_requests.hpp"
#include "host/modbus/read_plan.hpp"
#include "host/modbus/scan_ring.hpp"

namespace quillon::modbus {

// The one thread that talks to the device: it connects (again, with backoff, when the link is
// lost), reads every input at the poll rate into the ring, and writes the output words the
// core asks for, before the next poll.
class ModbusPoller {
public:
    ModbusPoller(const DeviceDescription& device, ScanRing& ring, OutputRequests& requests);
    ~ModbusPoller();
    ModbusPoller(const ModbusPoller&) = delete;
    ModbusPoller& operator=(const ModbusPoller&) = delete;

private:
    using Clock = std::chrono::steady_clock;

    void Run();
    void TryConnect();
    void Poll();
    void Write(std::int16_t word);
    void ScheduleNextPoll();
    void Fail(const LinkError& error);

    const DeviceDescription& device_;
    ScanRing& ring_;
    OutputRequests& requests_;
    ReadPlan plan_;
    ModbusLink link_;
    std::vector<std::uint16_t> replies_;
    std::vector<double> scan_;
    Clock::duration period_;
    Clock::time_point next_poll_;
    Clock::time_point next_connect_;
    Clock::duration backoff_;
    std::thread thread_;  // last: starts once everything it uses is there
};

}  // namespace quillon::modbus
