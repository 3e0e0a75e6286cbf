// SPDX-License-Identifier: MIT
// quillon-fleet: every Quillon instance that publishes to the broker, in one table.
#include <charconv>
#include <csignal>
#include <cstdlib>
#include <iostream>
#include <string>

#include "fleet/fleet_reader.hpp"
#include "fleet/fleet_settings.hpp"
#include "platform/platform.hpp"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitTrouble = 2;  // --check: an instance needs a look
constexpr int kExitUsage = 64;

constexpr const char* kHelp =
    "Usage: quillon-fleet [--json | --check] [--max-age SECONDS] [--settings FILE]\n"
    "\n"
    "Shows every Quillon instance that publishes to the fleet's MQTT broker: online, running\n"
    "or why it stopped, its lamps (\xE2\x97\x8F on, \xE2\x97\x8B off), its output word and the age "
    "of its last\n"
    "change, instances that need a look first. The broker and the topic prefix come from\n"
    "fleet.ini beside NorvaneAlarm.ini (or --settings FILE).\n"
    "\n"
    "  --json             print the table once as a JSON array and end\n"
    "  --check            print the instances that need a look and end: status 2 when any is\n"
    "                     offline, stopped by itself, or (with --max-age) silent for longer\n"
    "  --max-age SECONDS  an instance whose state is older than this needs a look\n"
    "  --settings FILE    the fleet settings file to read\n"
    "  --help, --version\n"
    "\n"
    "Exit status: 0 all well, 1 no broker or bad settings, 2 an instance needs a look (--check),\n"
    "64 a wrong option.\n";

struct Options {
    bool json = false;
    bool check = false;
    long long max_age_seconds = 0;
    std::string settings;
};

std::int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

volatile std::sig_atomic_t stop_requested = 0;

bool ReadOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (word == "--json") {
            options.json = true;
        } else if (word == "--check") {
            options.check = true;
        } else if ((word == "--max-age" || word == "--settings") && i + 1 < argc) {
            const std::string value = argv[++i];
            if (word == "--settings") {
                options.settings = value;
                continue;
            }
            // Whole text, in range: "12x" and a number past the type's end are refused.
            const auto [end, error] =
                std::from_chars(value.data(), value.data() + value.size(), options.max_age_seconds);
            if (value.empty() || error != std::errc() || end != value.data() + value.size() ||
                options.max_age_seconds <= 0) {
                std::cerr << "quillon-fleet: --max-age wants a number of seconds, not \"" << value
                          << "\"\n";
                return false;
            }
        } else {
            std::cerr << "quillon-fleet: unknown option \"" << word << "\"\n\n" << kHelp;
            return false;
        }
    }
    return true;
}

int ShowOnce(quillon::fleet::FleetReader& reader, const Options& options) {
    // The retained topics arrive at once; past this, what came is what there is.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    std::string error;
    while (!reader.CaughtUp() && std::chrono::steady_clock::now() < deadline) {
        if (!reader.Pump(std::chrono::milliseconds(100), error)) {
            std::cerr << "quillon-fleet: " << error << "\n";
            return kExitFailed;
        }
    }
    const std::int64_t max_age_ms = options.max_age_seconds * 1000;
    const std::int64_t now = NowMs();
    if (options.json) {
        std::cout << reader.Table().Json(now, max_age_ms);
    }
    if (!options.check) {
        return kExitOk;
    }
    bool trouble = false;
    for (const auto& row : reader.Table().Rows(now, max_age_ms)) {
        if (const auto why = quillon::fleet::FleetTable::Trouble(row, now, max_age_ms)) {
            trouble = true;
            if (!options.json) {
                std::cout << row.site << "/" << row.instance << ": " << *why << "\n";
            }
        }
    }
    return trouble ? kExitTrouble : kExitOk;
}

int ShowLive(quillon::fleet::FleetReader& reader, const Options& options) {
    static_cast<void>(std::signal(SIGINT, [](int) { stop_requested = 1; }));
    static_cast<void>(std::signal(SIGTERM, [](int) { stop_requested = 1; }));
    std::string error;
    auto drawn = std::chrono::steady_clock::time_point{};
    while (stop_requested == 0) {
        if (!reader.Pump(std::chrono::milliseconds(200), error)) {
            std::cerr << "quillon-fleet: " << error << "\n";
            return kExitFailed;
        }
        if (std::chrono::steady_clock::now() - drawn >= std::chrono::seconds(1)) {
            drawn = std::chrono::steady_clock::now();
            std::cout << "\033[H\033[2J"
                      << reader.Table().Text(NowMs(), options.max_age_seconds * 1000) << std::flush;
        }
    }
    return kExitOk;
}

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (word == "--help") {
            std::cout << kHelp;
            return kExitOk;
        }
        if (word == "--version") {
            std::cout << "quillon-fleet " QUILLON_VERSION "\n";
            return kExitOk;
        }
    }
    Options options;
    if (!ReadOptions(argc, argv, options)) {
        return kExitUsage;
    }
    if (options.settings.empty()) {
        options.settings =
            quillon::CreatePlatform()->ProfilePath(quillon::fleet::kFleetSettingsFile);
    }
    std::string error;
    const auto settings = quillon::fleet::FleetSettings::Read(options.settings, error);
    if (!settings) {
        std::cerr << "quillon-fleet: " << error << "\n";
        return kExitFailed;
    }
    quillon::fleet::FleetReader reader(*settings);
    if (!reader.Connect(error)) {
        std::cerr << "quillon-fleet: " << error << "\n";
        return kExitFailed;
    }
    return options.json || options.check ? ShowOnce(reader, options) : ShowLive(reader, options);
}
