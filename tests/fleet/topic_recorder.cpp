// SPDX-License-Identifier: MIT
#include "fleet/topic_recorder.hpp"

#include <mosquitto.h>
#include <unistd.h>

namespace quillon::testing {

TopicRecorder::TopicRecorder(int port, const std::string& user, const std::string& password,
                             const std::string& filter)
    : filter_(filter) {
    mosquitto_lib_init();
    const std::string id = "recorder-" + std::to_string(getpid());
    client_ = mosquitto_new(id.c_str(), false, this);
    mosquitto_username_pw_set(client_, user.c_str(), password.c_str());
    mosquitto_connect_callback_set(client_, ConnectDone);
    mosquitto_message_callback_set(client_, Message);
    mosquitto_subscribe_callback_set(client_, Subscribed);
    mosquitto_reconnect_delay_set(client_, 1, 1, false);
    mosquitto_connect_async(client_, "127.0.0.1", port, 30);
    mosquitto_loop_start(client_);
}

TopicRecorder::~TopicRecorder() {
    mosquitto_disconnect(client_);
    mosquitto_loop_stop(client_, true);
    mosquitto_destroy(client_);
}

void TopicRecorder::ConnectDone(mosquitto* client, void* self, int result) {
    auto& recorder = *static_cast<TopicRecorder*>(self);
    if (result == 0) {
        mosquitto_subscribe(client, nullptr, recorder.filter_.c_str(), 1);
    }
}

void TopicRecorder::Subscribed(mosquitto*, void* self, int, int, const int*) {
    auto& recorder = *static_cast<TopicRecorder*>(self);
    const std::lock_guard lock(recorder.mutex_);
    recorder.subscribed_ = true;
}

void TopicRecorder::Message(mosquitto*, void* self, const mosquitto_message* message) {
    auto& recorder = *static_cast<TopicRecorder*>(self);
    const std::lock_guard lock(recorder.mutex_);
    recorder.messages_[message->topic].emplace_back(static_cast<const char*>(message->payload),
                                                    static_cast<std::size_t>(message->payloadlen));
}

bool TopicRecorder::Connected() const {
    const std::lock_guard lock(mutex_);
    return subscribed_;
}

std::vector<std::string> TopicRecorder::Payloads(const std::string& topic) const {
    const std::lock_guard lock(mutex_);
    const auto found = messages_.find(topic);
    return found == messages_.end() ? std::vector<std::string>{} : found->second;
}

std::optional<std::string> TopicRecorder::Last(const std::string& topic) const {
    const std::lock_guard lock(mutex_);
    const auto found = messages_.find(topic);
    if (found == messages_.end() || found->second.empty()) {
        return std::nullopt;
    }
    return found->second.back();
}

}  // namespace quillon::testing
