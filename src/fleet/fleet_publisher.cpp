// SPDX-License-Identifier: MIT
#include "fleet/fleet_publisher.hpp"

#include <mosquitto.h>
#include <netdb.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "fleet/fleet_topics.hpp"

namespace quillon::fleet {
namespace {

constexpr int kKeepAliveSeconds = 15;
// A broker that takes longer to accept the connection counts as away.
constexpr std::chrono::seconds kConnectPatience{5};
constexpr std::size_t kQueueLines = 4096;
constexpr std::chrono::seconds kSyncInterval{1};
constexpr std::string_view kTrue = "true";
constexpr std::string_view kFalse = "false";

// libmosquitto wants its library set up once per process.
struct LibraryInit {
    LibraryInit() { mosquitto_lib_init(); }
};

std::string MosquittoError(int result) {
    if (result == MOSQ_ERR_ERRNO) {
        return std::strerror(errno);
    }
    return mosquitto_strerror(result);
}

long long UnixMilliseconds() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// Whether the broker's port accepts a connection within the patience. libmosquitto's own
// connect blocks for as long as the system lets it (minutes, for a host that drops packets),
// and the thread must stay free to spool lines and to end with the program.
// The wake-up descriptor ends the wait when the program ends.
bool PortAnswers(const std::string& host, int port, int wake_fd, const std::atomic<bool>& stop,
                 std::string& error) {
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const int lookup = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found);
    if (lookup != 0) {
        error = host + ": " + gai_strerror(lookup);
        return false;
    }
    error = "no answer within " + std::to_string(kConnectPatience.count()) + " s";
    bool answered = false;
    for (const addrinfo* address = found; address != nullptr && !answered && !stop.load();
         address = address->ai_next) {
        const int fd =
            socket(address->ai_family, address->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                   address->ai_protocol);
        if (fd < 0) {
            continue;
        }
        if (connect(fd, address->ai_addr, address->ai_addrlen) == 0) {
            answered = true;
        } else if (errno == EINPROGRESS) {
            pollfd wait[2] = {{fd, POLLOUT, 0}, {wake_fd, POLLIN, 0}};
            const auto deadline = std::chrono::steady_clock::now() + kConnectPatience;
            while (!stop.load() && wait[0].revents == 0 &&
                   std::chrono::steady_clock::now() < deadline) {
                const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                    deadline - std::chrono::steady_clock::now());
                poll(wait, 2, static_cast<int>(std::max<std::int64_t>(left.count(), 1)));
                if (wait[1].revents != 0) {
                    std::uint64_t count = 0;
                    [[maybe_unused]] const ssize_t ignored = read(wake_fd, &count, sizeof count);
                    wait[1].revents = 0;
                }
            }
            int failure = 0;
            socklen_t length = sizeof failure;
            if (wait[0].revents != 0 &&
                getsockopt(fd, SOL_SOCKET, SO_ERROR, &failure, &length) == 0) {
                answered = failure == 0;
                if (failure != 0) {
                    error = std::strerror(failure);
                }
            }
        } else {
            error = std::strerror(errno);
        }
        close(fd);
    }
    freeaddrinfo(found);
    return answered;
}

}  // namespace

FleetPublisher::FleetPublisher(FleetSettings settings, std::chrono::milliseconds answer_patience)
    : settings_(std::move(settings)), lines_(kQueueLines), answer_patience_(answer_patience) {
    static LibraryInit init;
}

FleetPublisher::~FleetPublisher() {
    if (thread_.joinable()) {
        stop_.store(true);
        Wake();
        thread_.join();
    }
    if (wake_fd_ >= 0) {
        close(wake_fd_);
    }
}

std::string FleetPublisher::Topic(std::string_view leaf) const {
    return InstanceTopic(settings_.topic_prefix, settings_.site, instance_, leaf);
}

bool FleetPublisher::Start(const std::string& instance, const std::filesystem::path& spool_root,
                           std::string& error) {
    instance_ = instance;
    spool_ = std::make_unique<Spool>(spool_root /
                                     (TopicLevel(settings_.site) + "-" + TopicLevel(instance)));
    if (!spool_->Open(error)) {
        return false;
    }
    wake_fd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wake_fd_ < 0) {
        error = std::string("eventfd: ") + std::strerror(errno);
        return false;
    }
    thread_ = std::thread([this] { Run(); });
    return true;
}

void FleetPublisher::Wake() {
    if (wake_fd_ < 0) {
        return;
    }
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t ignored = write(wake_fd_, &one, sizeof one);
}

void FleetPublisher::OfferState(std::string state) {
    {
        const std::lock_guard lock(state_mutex_);
        offered_state_ = std::move(state);
        state_offered_ = true;
    }
    Wake();
}

void FleetPublisher::OfferChannels(std::string channels) {
    {
        const std::lock_guard lock(state_mutex_);
        offered_channels_ = std::move(channels);
        channels_offered_ = true;
    }
    Wake();
}

std::vector<PublisherNotice> FleetPublisher::TakeNotices() {
    const std::lock_guard lock(notice_mutex_);
    notices_waiting_.store(false, std::memory_order_release);
    return std::exchange(notices_, {});
}

void FleetPublisher::Notify(PublisherNotice notice) {
    const std::lock_guard lock(notice_mutex_);
    notices_.push_back(std::move(notice));
    notices_waiting_.store(true, std::memory_order_release);
}

void FleetPublisher::Run() {
    auto synced = std::chrono::steady_clock::now();
    while (!stop_.load()) {
        const auto now = std::chrono::steady_clock::now();
        if (client_ == nullptr && now >= next_attempt_) {
            Connect();
        }
        auto wait = std::chrono::milliseconds(1000);
        if (client_ == nullptr) {
            wait = std::clamp(std::chrono::duration_cast<std::chrono::milliseconds>(
                                  next_attempt_ - std::chrono::steady_clock::now()),
                              std::chrono::milliseconds(1), wait);
        }
        Service(wait);
        if (client_ != nullptr && !connected_ &&
            std::chrono::steady_clock::now() - connect_started_ > answer_patience_) {
            Disconnect("the broker did not answer");
        }
        DrainLines();
        if (connected_) {
            SendSpooled();
            SendState(false);
            SendChannels();
        }
        if (std::chrono::steady_clock::now() - synced >= kSyncInterval) {
            spool_->Sync();
            synced = std::chrono::steady_clock::now();
        }
    }
    FinishAtEnd();
}

void FleetPublisher::FinishAtEnd() {
    DrainLines();
    const auto deadline = std::chrono::steady_clock::now() + kPatienceAtEnd;
    while (connected_ && (!spool_->Empty() || spool_->InFlight() > 0) &&
           std::chrono::steady_clock::now() < deadline) {
        SendSpooled();
        Service(std::chrono::milliseconds(50));
    }
    if (connected_) {
        SendState(false);
        PublishOnline(false);
        mosquitto_disconnect(client_);
        // The disconnect goes out with what is still queued.
        for (int i = 0; i < 20 && mosquitto_want_write(client_); ++i) {
            Service(std::chrono::milliseconds(50));
        }
    }
    if (client_ != nullptr) {
        mosquitto_destroy(client_);
        client_ = nullptr;
    }
    spool_->Sync();
}

void FleetPublisher::Connect() {
    std::string unreachable;
    if (!PortAnswers(settings_.host, settings_.port, wake_fd_, stop_, unreachable)) {
        Disconnect(unreachable);
        return;
    }
    connect_started_ = std::chrono::steady_clock::now();
    // Unique per process: two instances of one name must not throw each other off the broker.
    const std::string client_id = "quillon-" + TopicLevel(settings_.site) + "-" +
                                  TopicLevel(instance_) + "-" + std::to_string(getpid());
    client_ = mosquitto_new(client_id.c_str(), true, this);
    if (client_ == nullptr) {
        Disconnect(std::strerror(errno));
        return;
    }
    mosquitto_connect_callback_set(client_, ConnectDone);
    mosquitto_disconnect_callback_set(client_, Disconnected);
    mosquitto_publish_callback_set(client_, Published);
    if (!settings_.user.empty()) {
        mosquitto_username_pw_set(
            client_, settings_.user.c_str(),
            settings_.password.empty() ? nullptr : settings_.password.c_str());
    }
    if (settings_.tls) {
        const int result =
            settings_.ca_file.empty()
                ? mosquitto_tls_set(client_, nullptr, "/etc/ssl/certs", nullptr, nullptr, nullptr)
                : mosquitto_tls_set(client_, settings_.ca_file.c_str(), nullptr, nullptr, nullptr,
                                    nullptr);
        if (result != MOSQ_ERR_SUCCESS) {
            Disconnect("TLS: " + MosquittoError(result));
            return;
        }
    }
    const std::string online = Topic(kOnlineLeaf);
    mosquitto_will_set(client_, online.c_str(), static_cast<int>(kFalse.size()), kFalse.data(), 1,
                       true);
    const int result =
        mosquitto_connect(client_, settings_.host.c_str(), settings_.port, kKeepAliveSeconds);
    if (result != MOSQ_ERR_SUCCESS) {
        Disconnect(MosquittoError(result));
    }
}

void FleetPublisher::Disconnect(const std::string& reason) {
    if (client_ != nullptr) {
        mosquitto_destroy(client_);
        client_ = nullptr;
    }
    const bool was_connected = connected_;
    connected_ = false;
    lost_ = false;
    spool_->Rewind();
    in_flight_ids_.clear();
    next_attempt_ = std::chrono::steady_clock::now() + retry_delay_;
    retry_delay_ = std::min<std::chrono::milliseconds>(retry_delay_ * 2, kLongestRetry);
    if (was_connected || !away_reported_) {
        away_reported_ = true;
        Notify({PublisherNotice::Kind::BrokerAway, reason});
    }
}

void FleetPublisher::Service(std::chrono::milliseconds wait) {
    pollfd fds[2] = {{wake_fd_, POLLIN, 0}, {-1, 0, 0}};
    const int socket = client_ != nullptr ? mosquitto_socket(client_) : -1;
    if (socket >= 0) {
        fds[1] = {socket,
                  static_cast<short>(POLLIN | (mosquitto_want_write(client_) ? POLLOUT : 0)), 0};
    }
    if (poll(fds, socket >= 0 ? 2 : 1, static_cast<int>(wait.count())) < 0 && errno != EINTR) {
        return;
    }
    if (fds[0].revents & POLLIN) {
        std::uint64_t count = 0;
        [[maybe_unused]] const ssize_t ignored = read(wake_fd_, &count, sizeof count);
    }
    if (client_ == nullptr || socket < 0) {
        return;
    }
    int result = MOSQ_ERR_SUCCESS;
    if (fds[1].revents & (POLLIN | POLLERR | POLLHUP)) {
        result = mosquitto_loop_read(client_, 1);
    }
    if (result == MOSQ_ERR_SUCCESS && client_ != nullptr && mosquitto_want_write(client_)) {
        result = mosquitto_loop_write(client_, 1);
    }
    if (result == MOSQ_ERR_SUCCESS) {
        result = mosquitto_loop_misc(client_);
    }
    if (result != MOSQ_ERR_SUCCESS && !lost_) {
        lost_ = true;
        lost_reason_ = result == MOSQ_ERR_CONN_LOST || result == MOSQ_ERR_NO_CONN
                           ? "connection lost"
                           : MosquittoError(result);
    }
    if (lost_) {
        Disconnect(lost_reason_);
    }
}

void FleetPublisher::ConnectDone(mosquitto*, void* self, int result) {
    auto& publisher = *static_cast<FleetPublisher*>(self);
    if (result != 0) {
        publisher.lost_ = true;
        publisher.lost_reason_ = mosquitto_connack_string(result);
        return;
    }
    publisher.connected_ = true;
    publisher.retry_delay_ = kFirstRetry;
    publisher.spool_->Rewind();
    publisher.in_flight_ids_.clear();
    publisher.PublishOnline(true);
    publisher.SendState(true);
    if (publisher.away_reported_) {
        publisher.Notify({PublisherNotice::Kind::BrokerBack, publisher.settings_.BrokerName()});
    }
    publisher.away_reported_ = false;
}

void FleetPublisher::Disconnected(mosquitto*, void* self, int result) {
    auto& publisher = *static_cast<FleetPublisher*>(self);
    if (!publisher.lost_) {
        publisher.lost_ = true;
        publisher.lost_reason_ = result == 0 ? "disconnected" : "connection lost";
    }
}

void FleetPublisher::Published(mosquitto*, void* self, int message_id) {
    auto& publisher = *static_cast<FleetPublisher*>(self);
    auto& ids = publisher.in_flight_ids_;
    const auto found = std::find(ids.begin(), ids.end(), message_id);
    if (found == ids.end()) {
        return;  // the online flag or the state
    }
    // The broker confirms in order: everything before this one arrived too.
    for (auto it = ids.begin(); it != std::next(found); ++it) {
        publisher.spool_->Acknowledge();
    }
    ids.erase(ids.begin(), std::next(found));
}

void FleetPublisher::PublishOnline(bool online) {
    const std::string topic = Topic(kOnlineLeaf);
    const std::string_view payload = online ? kTrue : kFalse;
    mosquitto_publish(client_, nullptr, topic.c_str(), static_cast<int>(payload.size()),
                      payload.data(), 1, true);
}

void FleetPublisher::DrainLines() {
    batch_.clear();
    while (lines_.Pop(line_)) {
        batch_ += line_;
    }
    std::uint64_t gap = lines_.TakeRefused();
    if (!batch_.empty()) {
        std::string error;
        if (!spool_->Append(batch_, error)) {
            gap += static_cast<std::uint64_t>(std::count(batch_.begin(), batch_.end(), '\n'));
            if (!spool_failed_) {
                spool_failed_ = true;
                Notify({PublisherNotice::Kind::Problem, "spool not written (" + error + ")"});
            }
        } else {
            spool_failed_ = false;
        }
    }
    gap += spool_->TakeDropped();
    if (gap > 0) {
        Notify({PublisherNotice::Kind::Gap, {}, gap});
    }
}

void FleetPublisher::SendSpooled() {
    if (!connected_) {
        return;
    }
    const std::string topic = Topic(kEventsLeaf);
    while (in_flight_ids_.size() < kInFlight && spool_->Next(line_)) {
        int message_id = 0;
        const int result =
            mosquitto_publish(client_, &message_id, topic.c_str(), static_cast<int>(line_.size()),
                              line_.data(), 1, false);
        if (result != MOSQ_ERR_SUCCESS) {
            lost_ = true;
            lost_reason_ = MosquittoError(result);
            return;
        }
        in_flight_ids_.push_back(message_id);
    }
}

void FleetPublisher::SendState(bool force) {
    bool fresh = false;
    {
        const std::lock_guard lock(state_mutex_);
        if (state_offered_) {
            state_.swap(offered_state_);
            state_offered_ = false;
            fresh = true;
        }
    }
    const auto now = std::chrono::steady_clock::now();
    if (state_.empty() || !(fresh || force || now - state_sent_ >= kStateRepeat)) {
        return;
    }
    // The state's own fields, then when this copy left: a reader tells a silent instance by it.
    std::string payload = state_.substr(0, state_.rfind('}'));
    payload +=
        ",\"" + std::string(state::kPublishedMs) + "\":" + std::to_string(UnixMilliseconds()) + "}";
    const std::string topic = Topic(kStateLeaf);
    mosquitto_publish(client_, nullptr, topic.c_str(), static_cast<int>(payload.size()),
                      payload.data(), 1, true);
    state_sent_ = now;
}

}  // namespace quillon::fleet

namespace quillon::fleet {

void FleetPublisher::SendChannels() {
    std::string payload;
    {
        const std::lock_guard lock(state_mutex_);
        if (!channels_offered_) {
            return;
        }
        payload.swap(offered_channels_);
        channels_offered_ = false;
    }
    const std::string topic = Topic(kChannelsLeaf);
    mosquitto_publish(client_, nullptr, topic.c_str(), static_cast<int>(payload.size()),
                      payload.data(), 0, true);
}

}  // namespace quillon::fleet
