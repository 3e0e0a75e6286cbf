// SPDX-License-Identifier: MIT
// The headless program's whole life against the host's control: start with no -d, run the
// cycle, write outputs, hear the host's exit through the message loop, send the exit notice,
// stop, save and end.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <oleauto.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>

#include "app/program_options.hpp"
#include "case_name.hpp"
#include "com_test_fixture.hpp"
#include "platform/win32/com_text.hpp"
#include "ui/headless/headless_runner.hpp"

namespace quillon::testing {
namespace {

// The agents run on their own: their lines arrive when they do.
std::string WaitForText(const std::filesystem::path& path, const std::string& part) {
    std::string text;
    for (int i = 0; i < 200 && text.find(part) == std::string::npos; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        std::ifstream in(path, std::ios::binary);
        std::ostringstream content;
        content << in.rdbuf();
        text = content.str();
    }
    return text;
}

// Whether `notices` holds the agent's exit notice: its command line, the time the control
// stamped it (date and time, run together) and the control's fields.
bool HoldsExitNotice(const std::string& notices) {
    const std::string head = "Pellomar.exe Global Norvane WinDaq_Exits ";
    const std::string tail = "<br>WinDaq_ID=Quillon<br>Devce=718<br>\n";
    const auto date_char = [](char c) { return (c >= '0' && c <= '9') || c == '-'; };
    const auto time_char = [](char c) { return (c >= '0' && c <= '9') || c == ':'; };
    for (std::size_t at = notices.find(head); at != std::string::npos;
         at = notices.find(head, at + 1)) {
        const std::string stamp = notices.substr(at + head.size(), 18);
        if (stamp.size() == 18 && std::all_of(stamp.begin(), stamp.begin() + 10, date_char) &&
            std::all_of(stamp.begin() + 10, stamp.end(), time_char) &&
            notices.compare(at + head.size() + stamp.size(), tail.size(), tail) == 0) {
            return true;
        }
    }
    return false;
}

struct ControlKind {
    std::string name;
    bool needs_in_place_activation;
    std::string window_root_class;  // where the control's window was: none without one
};

const ControlKind kControlKinds[] = {
    {"WindowlessControl", false, ""},
    {"InPlaceControl", true, "Static"},  // the container's hidden top-level window
};

class HeadlessWinDaqTest : public FakeControlTest,
                           public ::testing::WithParamInterface<ControlKind> {};

TEST_P(HeadlessWinDaqTest, RunsWritesHearsTheExitSendsTheNoticeSavesAndEnds) {
    ScriptTwoChannelInstrument(*script_);
    script_->needs_in_place_activation = GetParam().needs_in_place_activation;
    const auto agent_log = std::filesystem::temp_directory_path() / "quillon-exit-notice.log";
    std::filesystem::remove(agent_log);
    ::SetEnvironmentVariableA("QUILLON_STAND_IN_LOG", agent_log.string().c_str());
    ::WritePrivateProfileStringA("Quillon", nullptr, nullptr, "NorvaneAlarm.ini");
    ::WritePrivateProfileStringA("Quillon", "S9", "Set", "NorvaneAlarm.ini");  // e-mail armed

    ProgramOptions options;
    options.headless = true;
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(RunHeadless(options, out, err), kExitNormal) << err.str();

    std::set<double> words;
    for (const ReceivedCall& call : script_->calls) {
        if (call.id == 16) {
            words.insert(call.arguments.at(0).number);
        }
    }
    EXPECT_THAT(words, ::testing::IsSupersetOf({0.0, 255.0})) << "every output off and on";
    EXPECT_THAT(out.str(), ::testing::HasSubstr("host exited: stopping, saving the settings"));
    const std::string notices = WaitForText(agent_log, "WinDaq_Exits");
    EXPECT_TRUE(HoldsExitNotice(notices)) << notices << "\n" << out.str();
    char saved[64] = {};
    ::GetPrivateProfileStringA("Quillon", "MathExpression0", "", saved, sizeof saved,
                               "NorvaneAlarm.ini");
    EXPECT_STREQ(saved, "#0>3.3");
    EXPECT_EQ(script_->live_instances, 0) << "the control is released at the end";
    EXPECT_EQ(script_->window_root_class, GetParam().window_root_class);
    std::filesystem::remove(agent_log);
}

INSTANTIATE_TEST_SUITE_P(Controls, HeadlessWinDaqTest, ::testing::ValuesIn(kControlKinds),
                         [](const auto& info) { return CaseName(info.param.name); });

}  // namespace
}  // namespace quillon::testing
