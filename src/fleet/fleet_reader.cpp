// SPDX-License-Identifier: MIT
#include "fleet/fleet_reader.hpp"

#include <mosquitto.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace quillon::fleet {

FleetReader::FleetReader(FleetSettings settings)
    : settings_(std::move(settings)),
      table_(settings_.topic_prefix),
      marker_topic_(settings_.topic_prefix + "/$reader/" + std::to_string(getpid())) {
    mosquitto_lib_init();
}

FleetReader::~FleetReader() {
    if (client_ != nullptr) {
        mosquitto_disconnect(client_);
        mosquitto_destroy(client_);
    }
    mosquitto_lib_cleanup();
}

bool FleetReader::Connect(std::string& error) {
    client_ = mosquitto_new(nullptr, true, this);
    if (client_ == nullptr) {
        error = std::strerror(errno);
        return false;
    }
    mosquitto_connect_callback_set(client_, ConnectDone);
    mosquitto_message_callback_set(client_, Message);
    if (!settings_.user.empty()) {
        mosquitto_username_pw_set(
            client_, settings_.user.c_str(),
            settings_.password.empty() ? nullptr : settings_.password.c_str());
    }
    if (settings_.tls) {
        mosquitto_tls_set(client_, settings_.ca_file.empty() ? nullptr : settings_.ca_file.c_str(),
                          settings_.ca_file.empty() ? "/etc/ssl/certs" : nullptr, nullptr, nullptr,
                          nullptr);
    }
    const int result = mosquitto_connect(client_, settings_.host.c_str(), settings_.port, 30);
    if (result != MOSQ_ERR_SUCCESS) {
        error = settings_.BrokerName() + ": " +
                (result == MOSQ_ERR_ERRNO ? std::strerror(errno) : mosquitto_strerror(result));
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (connack_ < 0 && std::chrono::steady_clock::now() < deadline) {
        if (!Pump(std::chrono::milliseconds(100), error)) {
            return false;
        }
    }
    if (connack_ != 0) {
        error = settings_.BrokerName() + ": " +
                (connack_ < 0 ? std::string("no answer") : mosquitto_connack_string(connack_));
        return false;
    }
    return true;
}

bool FleetReader::Pump(std::chrono::milliseconds wait, std::string& error) {
    const int result = mosquitto_loop(client_, static_cast<int>(wait.count()), 1);
    if (result != MOSQ_ERR_SUCCESS) {
        error = settings_.BrokerName() + ": " +
                (result == MOSQ_ERR_ERRNO ? std::strerror(errno) : mosquitto_strerror(result));
        return false;
    }
    return true;
}

void FleetReader::ConnectDone(mosquitto* client, void* self, int result) {
    auto& reader = *static_cast<FleetReader*>(self);
    reader.connack_ = result;
    if (result != 0) {
        return;
    }
    const std::string filter = reader.settings_.topic_prefix + "/#";
    mosquitto_subscribe(client, nullptr, filter.c_str(), 1);
    mosquitto_subscribe(client, nullptr, reader.marker_topic_.c_str(), 1);
    // The broker sends the retained messages of a subscription before anything published
    // after it: when this comes back, the table holds all of them.
    mosquitto_publish(client, nullptr, reader.marker_topic_.c_str(), 0, nullptr, 1, false);
}

void FleetReader::Message(mosquitto*, void* self, const mosquitto_message* message) {
    auto& reader = *static_cast<FleetReader*>(self);
    const std::string_view topic(message->topic);
    if (topic == reader.marker_topic_) {
        reader.caught_up_ = true;
        return;
    }
    reader.table_.Take(topic, std::string_view(static_cast<const char*>(message->payload),
                                               static_cast<std::size_t>(message->payloadlen)));
}

}  // namespace quillon::fleet
