// SPDX-License-Identifier: MIT
// The fleet publisher's parts: the broker address, the spool, the queue from the tick, and the
// table quillon-fleet shows.
#include <gtest/gtest.h>

#include <fstream>

#include "fakes/temp_directory.hpp"
#include "fleet/fleet_settings.hpp"
#include "fleet/fleet_table.hpp"
#include "fleet/fleet_topics.hpp"
#include "fleet/line_queue.hpp"
#include "fleet/spool.hpp"

namespace quillon::fleet {
namespace {

using testing::TempDirectory;

TEST(BrokerUrlTest, ReadsHostPortAndTls) {
    const struct {
        const char* url;
        bool valid;
        const char* host;
        int port;
        bool tls;
    } cases[] = {
        {"mqtt://broker.invalid", true, "broker.invalid", 1883, false},
        {"mqtts://broker.invalid", true, "broker.invalid", 8883, true},
        {"mqtt://127.0.0.1:1884/", true, "127.0.0.1", 1884, false},
        {"mqtts://[::1]:9000", true, "::1", 9000, true},
        {"http://broker.invalid", false, "", 0, false},
        {"mqtt://", false, "", 0, false},
        {"mqtt://host:0", false, "", 0, false},
        {"mqtt://host:99999", false, "", 0, false},
        {"mqtt://host:12x", false, "", 0, false},
        {"mqtt://host:", false, "", 0, false},
        {"mqtt://[::1", false, "", 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url);
        FleetSettings settings;
        std::string error;
        ASSERT_EQ(ParseBrokerUrl(c.url, settings, error), c.valid) << error;
        if (c.valid) {
            EXPECT_EQ(settings.host, c.host);
            EXPECT_EQ(settings.port, c.port);
            EXPECT_EQ(settings.tls, c.tls);
        } else {
            EXPECT_NE(error.find(c.url), std::string::npos) << error;
        }
    }
}

TEST(FleetSettingsTest, RefusesAPasswordFileOthersMayRead) {
    TempDirectory directory;
    const std::string open_file = directory.Write("open", "secret\n", 0644);
    const std::string own_file = directory.Write("own", "secret\r\nrest", 0600);
    const std::string ini = directory.Write(
        "fleet.ini", "[Broker]\nUrl=mqtt://127.0.0.1\nPasswordFile=" + open_file + "\n");
    std::string error;
    EXPECT_FALSE(FleetSettings::Read(ini, error));
    EXPECT_NE(error.find("read by others"), std::string::npos) << error;
    const std::string good = directory.Write(
        "good.ini", "[Broker]\nUrl=mqtt://127.0.0.1\nPasswordFile=" + own_file + "\nChannels=1\n");
    const auto settings = FleetSettings::Read(good, error);
    ASSERT_TRUE(settings) << error;
    EXPECT_EQ(settings->password, "secret");
    EXPECT_EQ(settings->topic_prefix, "quillon");
    EXPECT_FALSE(settings->site.empty());
    EXPECT_TRUE(settings->channels);
}

TEST(TopicTest, NamesBecomeSingleLevels) {
    EXPECT_EQ(InstanceTopic("quillon", "hall/2", "rig #1+", "state"),
              "quillon/hall_2/rig _1_/state");
    TopicParts parts;
    ASSERT_TRUE(SplitInstanceTopic("quillon", "quillon/hall/rig/events", parts));
    EXPECT_EQ(parts.site, "hall");
    EXPECT_EQ(parts.instance, "rig");
    EXPECT_EQ(parts.leaf, "events");
    EXPECT_FALSE(SplitInstanceTopic("quillon", "quillon/$reader/1", parts));
    EXPECT_FALSE(SplitInstanceTopic("quillon", "other/hall/rig/events", parts));
}

std::vector<std::string> ReadAll(Spool& spool) {
    std::vector<std::string> lines;
    for (std::string line; spool.Next(line);) {
        lines.push_back(line);
    }
    return lines;
}

TEST(SpoolTest, UnconfirmedLinesComeAgainAfterRewindAndRestart) {
    TempDirectory directory;
    std::string error;
    {
        Spool spool(directory.Path() / "spool", Spool::kDefaultLimit, 16);
        ASSERT_TRUE(spool.Open(error)) << error;
        ASSERT_TRUE(spool.Append("one\ntwo\nthree\n", error));
        ASSERT_TRUE(spool.Append("four\n", error));
        EXPECT_EQ(ReadAll(spool), (std::vector<std::string>{"one", "two", "three", "four"}));
        spool.Acknowledge();
        spool.Rewind();
        EXPECT_EQ(ReadAll(spool), (std::vector<std::string>{"two", "three", "four"}));
        spool.Acknowledge();
        spool.Acknowledge();
    }
    Spool reopened(directory.Path() / "spool", Spool::kDefaultLimit, 16);
    ASSERT_TRUE(reopened.Open(error)) << error;
    EXPECT_EQ(ReadAll(reopened), (std::vector<std::string>{"four"}));
    reopened.Acknowledge();
    EXPECT_TRUE(reopened.Empty());
}

TEST(SpoolTest, PastTheLimitTheOldestGoAndAreCounted) {
    TempDirectory directory;
    std::string error;
    Spool spool(directory.Path() / "spool", 40, 10);
    ASSERT_TRUE(spool.Open(error)) << error;
    for (int i = 0; i < 20; ++i) {
        ASSERT_TRUE(spool.Append("line " + std::to_string(i) + "\n", error));  // 7 bytes
    }
    EXPECT_LE(spool.Bytes(), 40u);
    const std::vector<std::string> kept = ReadAll(spool);
    ASSERT_FALSE(kept.empty());
    EXPECT_EQ(kept.back(), "line 19");
    EXPECT_EQ(spool.TakeDropped() + kept.size(), 20u);
    EXPECT_EQ(spool.TakeDropped(), 0u);
}

// A damaged position file is no position: the lines come again from the oldest segment
// (sent twice rather than lost), and a good one is where the spool goes on.
TEST(SpoolTest, ADamagedPositionSendsEverythingAgain) {
    struct Case {
        const char* position;  // nullptr: the one the spool saved
        std::vector<std::string> lines;
    };
    const std::vector<std::string> all{"one", "two", "three"};
    const Case cases[] = {{nullptr, {"three"}}, {"-1 0\n", all}, {"0 8x\n", all},
                          {"12abc\n", all},     {"", all},       {"0\n", all},
                          {"0 -8\n", all}};
    for (const Case& test : cases) {
        SCOPED_TRACE(test.position ? test.position : "as saved");
        TempDirectory directory;
        const std::filesystem::path folder = directory.Path() / "spool";
        std::string error;
        {
            Spool spool(folder);
            ASSERT_TRUE(spool.Open(error)) << error;
            ASSERT_TRUE(spool.Append("one\ntwo\nthree\n", error)) << error;
            ASSERT_EQ(ReadAll(spool), all);
            spool.Acknowledge();
            spool.Acknowledge();
        }
        if (test.position != nullptr) {
            std::ofstream(folder / "position", std::ios::trunc) << test.position;
        }
        Spool reopened(folder);
        ASSERT_TRUE(reopened.Open(error)) << error;
        EXPECT_EQ(ReadAll(reopened), test.lines);
    }
}

TEST(LineQueueTest, AFullQueueRefusesAndCounts) {
    LineQueue queue(4);
    for (int i = 0; i < 6; ++i) {
        queue.Push("line " + std::to_string(i));
    }
    EXPECT_EQ(queue.TakeRefused(), 2u);
    std::string line;
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(queue.Pop(line));
        EXPECT_EQ(line, "line " + std::to_string(i));
    }
    EXPECT_FALSE(queue.Pop(line));
}

TEST(FleetTableTest, TroubleFirst) {
    FleetTable table("quillon");
    const std::int64_t now = 1'000'000;
    const auto state = [](bool running, const char* reason, std::int64_t published) {
        return std::string("{\"running\":") + (running ? "true" : "false") + ",\"stop_reason\":\"" +
               reason + "\",\"published_ms\":" + std::to_string(published) +
               ",\"lamps\":[\"on\",\"off\"]}";
    };
    const struct {
        const char* name;
        const char* online;
        std::string state;
        const char* trouble;  // with a 60 s limit
    } cases[] = {
        {"ok", "true", state(true, "", now - 1000), nullptr},
        {"operator", "true", state(false, "operator", now - 1000), nullptr},
        {"failed", "true", state(false, "read failed", now - 1000),
         "stopped by itself: read failed"},
        {"gone", "false", state(true, "", now - 1000), "offline"},
        {"silent", "true", state(true, "", now - 120'000), "silent for 2 min"},
    };
    for (const auto& c : cases) {
        table.Take(std::string("quillon/site/") + c.name + "/online", c.online);
        table.Take(std::string("quillon/site/") + c.name + "/state", c.state);
    }
    const std::vector<InstanceRow> rows = table.Rows(now, 60'000);
    ASSERT_EQ(rows.size(), std::size(cases));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto row = std::find_if(rows.begin(), rows.end(),
                                      [&](const InstanceRow& r) { return r.instance == c.name; });
        ASSERT_NE(row, rows.end());
        const auto trouble = FleetTable::Trouble(*row, now, 60'000);
        EXPECT_EQ(trouble.value_or(""), c.trouble ? c.trouble : "");
        // Rows with trouble come before those without.
        EXPECT_EQ(row - rows.begin() < 3, c.trouble != nullptr);
    }
    EXPECT_NE(table.Text(now, 60'000).find("●○"), std::string::npos);
}

}  // namespace
}  // namespace quillon::fleet
