// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <string>

#include "replay/replay_summary.hpp"
#include "replay/svg_plot.hpp"

namespace quillon {
namespace {

constexpr int kColumns = 1000;

// The value of `name="..."` in `element` ("" where it has none).
std::string Attribute(const std::string& element, const std::string& name) {
    const std::string key = " " + name + "=\"";
    const std::size_t from = element.find(key);
    if (from == std::string::npos) {
        return "";
    }
    const std::size_t start = from + key.size();
    return element.substr(start, element.find('"', start) - start);
}

// Column by column, the opacity of the slot's band there ("" where it is not shaded).
std::map<int, std::string> ShadedColumns(const std::string& svg, int slot) {
    const std::string start = "<g class=\"band\" data-slot=\"" + std::to_string(slot) + "\">";
    const std::size_t from = svg.find(start);
    const std::string band = svg.substr(from, svg.find("</g>", from) - from);
    const std::string rect_start = "<rect class=\"on\" ";
    std::map<int, std::string> shaded;
    for (std::size_t at = band.find(rect_start); at != std::string::npos;
         at = band.find(rect_start, at + 1)) {
        const std::string rect = band.substr(at, band.find("/>", at) - at);
        EXPECT_EQ(Attribute(rect, "fill"), "#d01010") << rect;
        const int x = std::stoi(Attribute(rect, "x")) - 90;
        for (int column = x; column < x + std::stoi(Attribute(rect, "width")); ++column) {
            EXPECT_EQ(shaded.count(column), 0U) << "two rects in column " << column;
            shaded[column] = Attribute(rect, "fill-opacity");
        }
    }
    return shaded;
}

// An hour of slot 0 switching on and off every 10 ms tick for its first 40 minutes; slot 1 on
// for one tick in the last minute. The plot stays a rect per column at most, and still marks
// every column where a slot was on, and none where it was not.
TEST(ReplayPlot, AnHourOfASlotSwitchingEveryTickStaysSmall) {
    VirtualClock clock{std::chrono::system_clock::time_point{}};
    ReplaySummary summary(clock, 0.0, 3600.0, kColumns);
    const auto change = [&](int slot, const char* from, const char* to) {
        summary.SlotChanged({slot, "equation", from, to, std::nullopt});
    };
    const auto tick = std::chrono::milliseconds(10);
    for (int n = 0; n < 240'000; ++n) {
        change(0, n == 0 ? "none" : (n % 2 == 1 ? "on" : "off"), n % 2 == 0 ? "on" : "off");
        clock.SleepUntil(clock.Monotonic() + tick);
    }
    clock.SleepUntil(clock.Monotonic() + std::chrono::seconds(1140));  // to 59:00
    change(1, "off", "on");
    clock.SleepUntil(clock.Monotonic() + tick);
    change(1, "on", "off");
    summary.Close(3600.0);

    TraceColumns traces(kColumns, 0.0, 3600.0);
    const std::string svg = SvgPlot(traces, {"hour", {}, &summary, {}, {}});
    EXPECT_LT(svg.size(), 200'000U);

    const std::map<int, std::string> fast = ShadedColumns(svg, 0);
    ASSERT_EQ(fast.size(), 667U);  // 40 minutes of an hour in 1,000 columns: 666 2/3
    EXPECT_EQ(fast.begin()->first, 0);
    EXPECT_EQ(fast.rbegin()->first, 666);
    EXPECT_EQ(fast.at(300), "0.6");  // on half of each column: 20 % + 80 % of a half
    const std::map<int, std::string> once = ShadedColumns(svg, 1);
    ASSERT_EQ(once.size(), 1U);
    EXPECT_EQ(once.begin()->first, 983);  // 3,540 s of 3,600
}

}  // namespace
}  // namespace quillon
