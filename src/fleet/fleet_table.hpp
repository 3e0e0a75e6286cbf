// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quillon::fleet {

// One instance as the broker's topics show it.
struct InstanceRow {
    std::string site;
    std::string instance;
    std::optional<bool> online;  // nothing before its online topic was seen
    bool has_state = false;
    bool running = false;
    std::string stop_reason;
    std::string status;
    std::vector<std::string> lamps;
    int output_word = 0;
    std::int64_t changed_ms = 0;
    std::int64_t published_ms = 0;
};

// What quillon-fleet knows of every instance of every site under one prefix, from the retained
// online and state topics and what follows them.
class FleetTable {
public:
    explicit FleetTable(std::string prefix) : prefix_(std::move(prefix)) {}

    // One message; topics that are not an instance's online or state are passed over.
    void Take(std::string_view topic, std::string_view payload);

    // Why an instance needs a look, or nothing: offline, stopped by itself, silent for longer
    // than `max_age_ms` (0: no limit) at `now_ms`.
    static std::optional<std::string> Trouble(const InstanceRow& row, std::int64_t now_ms,
                                              std::int64_t max_age_ms);

    // Instances with trouble first, then by site and name.
    std::vector<InstanceRow> Rows(std::int64_t now_ms, std::int64_t max_age_ms) const;
    // The table for a terminal: one line per instance.
    std::string Text(std::int64_t now_ms, std::int64_t max_age_ms) const;
    // The table as one JSON array, for scripts.
    std::string Json(std::int64_t now_ms, std::int64_t max_age_ms) const;

private:
    std::string prefix_;
    std::map<std::pair<std::string, std::string>, InstanceRow> rows_;
};

}  // namespace quillon::fleet
