// SPDX-License-Identifier: MIT
#pragma once

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

struct mosquitto;
struct mosquitto_message;

namespace quillon::testing {

// A subscriber to everything under a prefix that keeps every message, on libmosquitto's own
// thread. Its session stays on the broker (QoS 1, no clean start), so that it misses nothing
// while it reconnects after the broker was away.
class TopicRecorder {
public:
    TopicRecorder(int port, const std::string& user, const std::string& password,
                  const std::string& filter);
    ~TopicRecorder();

    bool Connected() const;
    // Every payload on `topic`, in the order received.
    std::vector<std::string> Payloads(const std::string& topic) const;
    std::optional<std::string> Last(const std::string& topic) const;

private:
    static void ConnectDone(mosquitto* client, void* self, int result);
    static void Subscribed(mosquitto* client, void* self, int id, int count, const int* qos);
    static void Message(mosquitto* client, void* self, const mosquitto_message* message);

    std::string filter_;
    mosquitto* client_ = nullptr;
    mutable std::mutex mutex_;
    bool subscribed_ = false;
    std::map<std::string, std::vector<std::string>> messages_;
};

}  // namespace quillon::testing
