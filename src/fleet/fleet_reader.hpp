// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <string>

#include "fleet/fleet_settings.hpp"
#include "fleet/fleet_table.hpp"

struct mosquitto;
struct mosquitto_message;

namespace quillon::fleet {

// quillon-fleet's subscriber: PREFIX/# into a FleetTable, on the caller's thread.
class FleetReader {
public:
    explicit FleetReader(FleetSettings settings);
    ~FleetReader();
    FleetReader(const FleetReader&) = delete;
    FleetReader& operator=(const FleetReader&) = delete;

    // Connects and subscribes; false with the reason.
    bool Connect(std::string& error);
    // Takes messages for up to `wait`; false with the reason when the connection failed.
    bool Pump(std::chrono::milliseconds wait, std::string& error);
    // Every retained message the broker had at subscription time has arrived: a message this
    // reader sent itself after subscribing came back.
    bool CaughtUp() const { return caught_up_; }

    const FleetTable& Table() const { return table_; }

private:
    static void ConnectDone(mosquitto* client, void* self, int result);
    static void Message(mosquitto* client, void* self, const mosquitto_message* message);

    FleetSettings settings_;
    FleetTable table_;
    mosquitto* client_ = nullptr;
    std::string marker_topic_;
    int connack_ = -1;
    bool caught_up_ = false;
};

}  // namespace quillon::fleet
