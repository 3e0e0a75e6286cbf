// SPDX-License-Identifier: MIT
#include "fleet/fleet_table.hpp"

#include <algorithm>
#include <nlohmann/json.hpp>

#include "fleet/fleet_topics.hpp"

namespace quillon::fleet {
namespace {

std::string Age(std::int64_t now_ms, std::int64_t then_ms) {
    if (then_ms <= 0) {
        return "-";
    }
    const std::int64_t seconds = std::max<std::int64_t>(0, (now_ms - then_ms) / 1000);
    if (seconds < 120) {
        return std::to_string(seconds) + " s";
    }
    if (seconds < 7200) {
        return std::to_string(seconds / 60) + " min";
    }
    return std::to_string(seconds / 3600) + " h";
}

std::string Lamps(const InstanceRow& row) {
    std::string text;
    for (const std::string& lamp : row.lamps) {
        text += lamp == kLampOn ? "●" : lamp == kLampOff ? "○" : "·";
    }
    return text;
}

std::string RunText(const InstanceRow& row) {
    if (!row.has_state) {
        return "?";
    }
    return row.running ? "running" : "stopped: " + row.stop_reason;
}

std::string Padded(const std::string& text, std::size_t width) {
    std::size_t shown = 0;  // characters, not bytes: the lamps are three bytes each
    for (const unsigned char c : text) {
        shown += (c & 0xC0) != 0x80 ? 1 : 0;
    }
    return text + std::string(shown < width ? width - shown : 1, ' ');
}

}  // namespace

void FleetTable::Take(std::string_view topic, std::string_view payload) {
    TopicParts parts;
    if (!SplitInstanceTopic(prefix_, topic, parts)) {
        return;
    }
    if (parts.leaf != kOnlineLeaf && parts.leaf != kStateLeaf) {
        return;
    }
    if (payload.empty()) {  // a retained topic cleared: the instance is gone
        rows_.erase({parts.site, parts.instance});
        return;
    }
    InstanceRow& row = rows_[{parts.site, parts.instance}];
    row.site = parts.site;
    row.instance = parts.instance;
    const nlohmann::json json = nlohmann::json::parse(payload, nullptr, false);
    if (json.is_discarded()) {
        return;
    }
    if (parts.leaf == kOnlineLeaf) {
        row.online = json.is_boolean() && json.get<bool>();
        return;
    }
    if (!json.is_object()) {
        return;
    }
    row.has_state = true;
    row.running = json.value(std::string(state::kRunning), false);
    row.stop_reason = json.value(std::string(state::kStopReason), "");
    row.status = json.value(std::string(state::kStatus), "");
    row.output_word = json.value(std::string(state::kOutputWord), 0);
    row.changed_ms = json.value(std::string(state::kChangedMs), std::int64_t{0});
    row.published_ms = json.value(std::string(state::kPublishedMs), std::int64_t{0});
    row.lamps.clear();
    if (const auto lamps = json.find(std::string(state::kLamps));
        lamps != json.end() && lamps->is_array()) {
        for (const auto& lamp : *lamps) {
            row.lamps.push_back(lamp.is_string() ? lamp.get<std::string>() : "");
        }
    }
}

std::optional<std::string> FleetTable::Trouble(const InstanceRow& row, std::int64_t now_ms,
                                               std::int64_t max_age_ms) {
    if (!row.online.value_or(false)) {
        return "offline";
    }
    if (row.has_state && !row.running && row.stop_reason != kOperatorStop) {
        return "stopped by itself: " + row.stop_reason;
    }
    if (max_age_ms > 0 && (!row.has_state || now_ms - row.published_ms > max_age_ms)) {
        return "silent for " + Age(now_ms, row.published_ms);
    }
    return std::nullopt;
}

std::vector<InstanceRow> FleetTable::Rows(std::int64_t now_ms, std::int64_t max_age_ms) const {
    std::vector<InstanceRow> rows;
    for (const auto& [key, row] : rows_) {
        rows.push_back(row);
    }
    std::stable_sort(rows.begin(), rows.end(), [&](const InstanceRow& a, const InstanceRow& b) {
        return Trouble(a, now_ms, max_age_ms).has_value() >
               Trouble(b, now_ms, max_age_ms).has_value();
    });
    return rows;
}

std::string FleetTable::Text(std::int64_t now_ms, std::int64_t max_age_ms) const {
    std::string text = Padded("SITE", 14) + Padded("INSTANCE", 18) + Padded("ONLINE", 8) +
                       Padded("RUN", 30) + Padded("LAMPS", 12) + Padded("OUT", 5) + "CHANGED\n";
    for (const InstanceRow& row : Rows(now_ms, max_age_ms)) {
        text += Padded(row.site, 14) + Padded(row.instance, 18) +
                Padded(row.online.value_or(false) ? "yes" : "NO", 8) + Padded(RunText(row), 30) +
                Padded(Lamps(row), 12) + Padded(std::to_string(row.output_word), 5) +
                Age(now_ms, row.changed_ms);
        if (const auto trouble = Trouble(row, now_ms, max_age_ms)) {
            text += "  ! " + *trouble;
        }
        text += '\n';
    }
    return text;
}

std::string FleetTable::Json(std::int64_t now_ms, std::int64_t max_age_ms) const {
    nlohmann::json rows = nlohmann::json::array();
    for (const InstanceRow& row : Rows(now_ms, max_age_ms)) {
        const auto trouble = Trouble(row, now_ms, max_age_ms);
        rows.push_back({{"site", row.site},
                        {"instance", row.instance},
                        {"online", row.online.value_or(false)},
                        {"running", row.running},
                        {"stop_reason", row.stop_reason},
                        {"status", row.status},
                        {"lamps", row.lamps},
                        {"output_word", row.output_word},
                        {"changed_ms", row.changed_ms},
                        {"published_ms", row.published_ms},
                        {"trouble", trouble ? nlohmann::json(*trouble) : nlohmann::json()}});
    }
    return rows.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

}  // namespace quillon::fleet
