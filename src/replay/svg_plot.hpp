// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

#include "replay/replay_ports.hpp"
#include "replay/replay_summary.hpp"
#include "replay/trace_columns.hpp"

namespace quillon {

// What the plot shows besides the traces.
struct PlotContent {
    std::string title;
    std::vector<std::string> channel_names;
    const ReplaySummary* summary = nullptr;
    std::vector<ReplayMoment> sounds;
    std::vector<ReplayMoment> emails;
};

// One SVG picture for a browser: a lane per channel with its trace (each pixel column from
// its lowest to its highest value) and its value scale, a band per slot shaded in each pixel
// column where the slot was on (the darker, the longer), orange marks where the alarm sounded
// and blue ones where an e-mail went, and the recording's time along the bottom.
std::string SvgPlot(const TraceColumns& traces, const PlotContent& content);

// The plot's width in pixels besides the traces' columns.
inline constexpr int kPlotMargin = 110;

}  // namespace quillon
