// SPDX-License-Identifier: MIT
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "fleet/fleet_settings.hpp"
#include "fleet/line_queue.hpp"
#include "fleet/spool.hpp"

struct mosquitto;

namespace quillon::fleet {

// What the publisher's thread tells the tick's thread.
struct PublisherNotice {
    enum class Kind { BrokerAway, BrokerBack, Gap, Problem };
    Kind kind;
    std::string text;         // the broker's reason, or the problem
    std::uint64_t count = 0;  // Gap: lines that will never reach the broker
};

// One instance's connection to the broker, on a thread of its own. The tick's thread only
// hands over event lines (OfferLine, lock-free) and, when something changed, the state's JSON
// (OfferState); everything else (the spool, the network, reconnecting with backoff) happens on
// the publisher's thread.
class FleetPublisher {
public:
    static constexpr std::chrono::seconds kStateRepeat{30};
    static constexpr std::chrono::milliseconds kFirstRetry{500};
    static constexpr std::chrono::seconds kLongestRetry{30};
    // Event lines sent and not yet confirmed: one, so that a reconnect repeats at most one.
    static constexpr std::size_t kInFlight = 1;
    // How long the end of the program waits for the spool to reach the broker.
    static constexpr std::chrono::seconds kPatienceAtEnd{3};

    // A broker that takes longer than this to answer the connection counts as away.
    static constexpr std::chrono::seconds kAnswerPatience{10};

    // Lines offered before Start wait in the queue.
    explicit FleetPublisher(FleetSettings settings,
                            std::chrono::milliseconds answer_patience = kAnswerPatience);
    ~FleetPublisher();
    FleetPublisher(const FleetPublisher&) = delete;
    FleetPublisher& operator=(const FleetPublisher&) = delete;

    // Starts the thread for this instance, its lines spooled under `spool_root`; false with
    // the reason when the spool cannot be used.
    bool Start(const std::string& instance, const std::filesystem::path& spool_root,
               std::string& error);

    // Tick's thread: never blocks, allocates only when a line is longer than any before.
    void OfferLine(std::string_view line) { lines_.Push(line); }
    // Tick's thread, between ticks: the publisher's thread looks at what was offered now.
    void Wake();
    void OfferState(std::string state);
    // Tick's thread, at most once a second: the newest sample of every channel (Channels=1).
    void OfferChannels(std::string channels);
    // Tick's thread: what happened to the connection since the last call.
    std::vector<PublisherNotice> TakeNotices();
    bool HasNotices() const { return notices_waiting_.load(std::memory_order_acquire); }

    const FleetSettings& Settings() const { return settings_; }
    std::string Topic(std::string_view leaf) const;

private:
    void Run();
    void Connect();
    void Disconnect(const std::string& reason);
    void PublishOnline(bool online);
    void FinishAtEnd();
    void Service(std::chrono::milliseconds wait);
    void DrainLines();
    void SendSpooled();
    void SendState(bool repeat);
    void SendChannels();
    void Notify(PublisherNotice notice);
    static void ConnectDone(mosquitto* client, void* self, int result);
    static void Disconnected(mosquitto* client, void* self, int result);
    static void Published(mosquitto* client, void* self, int message_id);

    FleetSettings settings_;
    std::string instance_;
    std::unique_ptr<Spool> spool_;
    LineQueue lines_;
    int wake_fd_ = -1;
    std::thread thread_;
    std::atomic<bool> stop_{false};

    std::mutex state_mutex_;
    std::string offered_state_;
    bool state_offered_ = false;
    std::string offered_channels_;
    bool channels_offered_ = false;

    std::mutex notice_mutex_;
    std::vector<PublisherNotice> notices_;
    std::atomic<bool> notices_waiting_{false};

    // The publisher's thread's own.
    mosquitto* client_ = nullptr;
    bool connected_ = false;
    bool away_reported_ = false;
    bool lost_ = false;
    std::string lost_reason_;
    bool spool_failed_ = false;
    std::string state_;
    std::chrono::steady_clock::time_point state_sent_{};
    std::chrono::steady_clock::time_point next_attempt_{};
    std::chrono::steady_clock::time_point connect_started_{};
    std::chrono::milliseconds retry_delay_ = kFirstRetry;
    std::chrono::milliseconds answer_patience_;
    std::vector<int> in_flight_ids_;
    std::string line_;
    std::string batch_;
};

}  // namespace quillon::fleet
