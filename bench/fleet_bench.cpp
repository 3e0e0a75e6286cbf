// SPDX-License-Identifier: MIT
// The fleet publisher against a local mosquitto: what it adds to the tick (with and without
// event lines), the time from an event line to a subscriber with 100 publishers on one broker,
// and the memory a long outage costs while the lines wait in the spool.
#include <benchmark/benchmark.h>
#include <mosquitto.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <sstream>
#include <thread>

#include "app/application.hpp"
#include "app/event_logging.hpp"
#include "bench/bench_ports.hpp"
#include "bench/timed_host.hpp"
#include "fakes/temp_directory.hpp"
#include "fleet/fleet_add_on.hpp"
#include "fleet/fleet_publisher.hpp"
#include "fleet/test_broker.hpp"
#include "host/sim/simulated_instrument.hpp"
#include "platform/no_key_state.hpp"
#include "platform/platform.hpp"
#include "platform/process_launcher.hpp"
#include "platform/prompter.hpp"
#include "platform/sound_player.hpp"
#include "platform/std_clock.hpp"

namespace quillon::bench {
namespace {

using testing::TempDirectory;
using testing::TestBroker;

// One broker for the whole program, and the settings that reach it.
struct Broker {
    TempDirectory directory;
    TestBroker broker{directory.Path() / "broker"};
    bool up = broker.Start();

    fleet::FleetSettings Settings(const std::string& site) const {
        fleet::FleetSettings settings;
        settings.host = "127.0.0.1";
        settings.port = broker.Port();
        settings.user = TestBroker::kUser;
        settings.password = TestBroker::kPassword;
        settings.topic_prefix = "bench";
        settings.site = site;
        return settings;
    }
};

Broker& SharedBroker() {
    static Broker broker;
    return broker;
}

long ResidentKilobytes() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return 0;
}

std::uintmax_t FolderBytes(const std::filesystem::path& folder) {
    std::uintmax_t bytes = 0;
    std::error_code ignored;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder, ignored)) {
        if (entry.is_regular_file(ignored)) {
            bytes += entry.file_size(ignored);
        }
    }
    return bytes;
}

// A steady instrument: after the first tick nothing changes, so a tick makes no event line.
sim::Scenario SteadyScenario() {
    std::istringstream in("channels 8\nscan-rate 1000\n");
    return sim::ParseScenario(in, "bench");
}

// Argument: 0 without the publisher, 1 with it. Each tick goes through the front end's path:
// the scan tick, then the work between ticks (where the publisher looks for changes).
void BM_TickWithoutEvents(benchmark::State& state) {
    Broker& broker = SharedBroker();
    if (!broker.up) {
        state.SkipWithError("mosquitto did not start");
        return;
    }
    double now = 1.0;
    sim::SimulatedInstrument instrument(SteadyScenario(), [&now] { return now; });
    TimedHost host(instrument);
    FixedSettings settings({});
    NoPrompter prompter;
    PointLocale locale;
    StdClock clock;
    Silence sound;
    NoLauncher launcher;
    NoKeyState keys;
    const std::unique_ptr<Platform> platform = CreatePlatform();
    TempDirectory directory;
    Application application(Ports{host, settings, prompter, locale, clock, sound, launcher, keys});
    EventLogging logging(application, clock, directory.Path() / "events");
    std::unique_ptr<fleet::FleetAddOn> fleet;
    if (state.range(0) == 1) {
        fleet = std::make_unique<fleet::FleetAddOn>(RunParts{application, logging, host, *platform},
                                                    broker.Settings("tick"),
                                                    directory.Path() / "spool");
    }
    application.Load("");
    logging.AttachInstanceFile();
    if (fleet) {
        fleet->Loaded();
    }
    for (int i = 0; i < 10; ++i) {  // the run's first decisions
        now += 0.01;
        application.ScanTick();
        application.AgentsFinished();
    }
    for (auto _ : state) {
        now += 0.01;
        application.ScanTick();
        application.AgentsFinished();
    }
    if (!application.GetPanel().ScanTimerEnabled()) {
        state.SkipWithError("the run stopped");
    }
}
BENCHMARK(BM_TickWithoutEvents)->Arg(0)->Arg(1)->Unit(benchmark::kNanosecond);

// One event-log line made on the tick's thread, with (1) and without (0) the publisher's tap,
// and the wake-up of its thread between ticks. Batches stay below the queue's size.
void BM_EventLine(benchmark::State& state) {
    Broker& broker = SharedBroker();
    StdClock clock;
    TempDirectory directory;
    EventLog log(clock, {});
    fleet::FleetPublisher publisher(broker.Settings("lines"));
    std::string error;
    if (state.range(0) == 1) {
        if (!publisher.Start("lines", directory.Path(), error)) {
            state.SkipWithError(error.c_str());
            return;
        }
        log.SetLineObserver([&publisher](std::string_view line) { publisher.OfferLine(line); });
    }
    std::int64_t n = 0;
    for (auto _ : state) {
        log.SlotChanged(SlotChange{static_cast<int>(n % 8), "Set", "off", "on",
                                   EquationTrace{"#0>3.3", "3.320943568232491>3.3", 1.0}});
        if (++n % 10 == 0) {
            state.PauseTiming();
            log.Flush();
            state.ResumeTiming();
            if (state.range(0) == 1) {
                publisher.Wake();
            }
        }
    }
}
BENCHMARK(BM_EventLine)->Arg(0)->Arg(1)->Iterations(3000)->Repetitions(5)->ReportAggregatesOnly();

// The subscriber of the latency benchmark: the time each numbered line arrived.
class Stopwatch {
public:
    explicit Stopwatch(int port, std::size_t lines) : arrived_(lines) {
        client_ = mosquitto_new(nullptr, true, this);
        mosquitto_username_pw_set(client_, TestBroker::kUser, TestBroker::kPassword);
        mosquitto_message_callback_set(client_, Message);
        mosquitto_subscribe_callback_set(client_, [](mosquitto*, void* self, int, int, const int*) {
            static_cast<Stopwatch*>(self)->ready_ = true;
        });
        mosquitto_connect(client_, "127.0.0.1", port, 30);
        mosquitto_subscribe(client_, nullptr, "bench/latency/+/events", 1);
        mosquitto_loop_start(client_);
    }
    ~Stopwatch() {
        mosquitto_disconnect(client_);
        mosquitto_loop_stop(client_, true);
        mosquitto_destroy(client_);
    }
    bool Ready() const { return ready_; }
    // Nanoseconds on the steady clock, 0 until line `n` arrived.
    std::int64_t Arrival(std::size_t n) const { return arrived_[n].load(); }

private:
    static void Message(mosquitto*, void* self, const mosquitto_message* message) {
        auto& watch = *static_cast<Stopwatch*>(self);
        const std::string payload(static_cast<const char*>(message->payload),
                                  static_cast<std::size_t>(message->payloadlen));
        const std::size_t at = payload.find("\"n\":");
        if (at == std::string::npos) {
            return;
        }
        const std::size_t n = std::stoul(payload.substr(at + 4));
        if (n < watch.arrived_.size()) {
            watch.arrived_[n].store(std::chrono::steady_clock::now().time_since_epoch().count());
        }
    }

    mosquitto* client_;
    std::atomic<bool> ready_{false};
    std::vector<std::atomic<std::int64_t>> arrived_;
};

// 100 publishers in one process on one broker, each with its state and events: from
// OfferLine to the subscriber, median and 99th percentile.
void BM_EventToSubscriber(benchmark::State& state) {
    Broker& broker = SharedBroker();
    constexpr int kPublishers = 100;
    constexpr std::size_t kLines = 2000;
    TempDirectory directory;
    Stopwatch watch(broker.broker.Port(), kLines);
    std::vector<std::unique_ptr<fleet::FleetPublisher>> publishers;
    std::string error;
    for (int i = 0; i < kPublishers; ++i) {
        publishers.push_back(std::make_unique<fleet::FleetPublisher>(broker.Settings("latency")));
        if (!publishers.back()->Start("P" + std::to_string(i), directory.Path(), error)) {
            state.SkipWithError(error.c_str());
            return;
        }
        publishers.back()->OfferState("{\"running\":true}");
    }
    const auto patience = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!watch.Ready() && std::chrono::steady_clock::now() < patience) {
        std::this_thread::yield();
    }
    std::vector<double> latencies;
    std::size_t n = 0;
    for (auto _ : state) {
        if (n >= kLines) {
            break;
        }
        fleet::FleetPublisher& publisher = *publishers[n % kPublishers];
        const std::string line = "{\"event\":\"bench\",\"n\":" + std::to_string(n) + "}\n";
        const auto sent = std::chrono::steady_clock::now().time_since_epoch().count();
        publisher.OfferLine(line);
        publisher.Wake();
        if (n % 10 == 0) {
            publishers[(n / 10) % kPublishers]->OfferState(
                "{\"running\":true,\"n\":" + std::to_string(n) + "}");
        }
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (watch.Arrival(n) == 0 && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::yield();
        }
        if (watch.Arrival(n) == 0) {
            state.SkipWithError("a line did not arrive within 5 s");
            return;
        }
        latencies.push_back(static_cast<double>(watch.Arrival(n) - sent) / 1000.0);
        ++n;
    }
    std::sort(latencies.begin(), latencies.end());
    state.counters["median_us"] = latencies[latencies.size() / 2];
    state.counters["p99_us"] = latencies[latencies.size() * 99 / 100];
    state.counters["publishers"] = kPublishers;
}
BENCHMARK(BM_EventToSubscriber)->Iterations(2000)->Unit(benchmark::kMicrosecond);

// The broker away for ten minutes of a busy rig (100 lines a second, 60 000 lines): what the
// process's memory grows by while the lines wait in the spool on disk.
void BM_SpoolDuringOutage(benchmark::State& state) {
    constexpr int kLines = 60'000;
    constexpr int kBatch = 2'000;
    for (auto _ : state) {
        TempDirectory directory;
        fleet::FleetSettings settings = SharedBroker().Settings("outage");
        settings.port = 1;  // nothing listens there: the broker is away all along
        fleet::FleetPublisher publisher(settings);
        std::string error;
        if (!publisher.Start("rig", directory.Path(), error)) {
            state.SkipWithError(error.c_str());
            return;
        }
        const long before = ResidentKilobytes();
        const std::string line =
            "{\"time\":\"2026-12-08T03:00:01.120+01:00\",\"t\":3.210,\"tick\":321,\"event\":"
            "\"slot\",\"slot\":0,\"mode\":\"Set\",\"old\":\"off\",\"new\":\"on\",\"equation\":"
            "\"#0>3.3\",\"substituted\":\"3.32>3.3\",\"value\":1}\n";
        for (int sent = 0; sent < kLines; sent += kBatch) {
            for (int i = 0; i < kBatch; ++i) {
                publisher.OfferLine(line);
            }
            publisher.Wake();
            const std::uintmax_t expected =
                line.size() * static_cast<std::uintmax_t>(sent + kBatch);
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            while (FolderBytes(directory.Path()) < expected &&
                   std::chrono::steady_clock::now() < deadline) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        }
        state.counters["spool_MB"] = static_cast<double>(FolderBytes(directory.Path())) / 1e6;
        state.counters["rss_growth_kB"] = static_cast<double>(ResidentKilobytes() - before);
    }
}
BENCHMARK(BM_SpoolDuringOutage)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quillon::bench

BENCHMARK_MAIN();
