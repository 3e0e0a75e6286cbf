// SPDX-License-Identifier: MIT
// The headless program's whole life against the host's control: start with no -d, run the
// cycle, write outputs, hear the host's exit through the message loop, send the exit notice,
// stop, save and end.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <oleauto.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <thread>

#include "app/program_options.hpp"
#include "com_test_fixture.hpp"
#include "platform/win32/com_text.hpp"
#include "ui/headless/headless_runner.hpp"

namespace quillon::testing {
namespace {

// Two channels; channel 0 crosses 3.3 every ten reads, so the default "#0>3.3" switches every
// output, and the alarm e-mail goes out.
void ScriptAnInstrument(FakeControlScript& script) {
    script.results[1] = [](VARIANT& r) {
        V_VT(&r) = VT_BSTR;
        V_BSTR(&r) = ::SysAllocString(L"DI-718B");
    };
    const auto number = [](double value) {
        return [value](VARIANT& r) {
            V_VT(&r) = VT_R8;
            V_R8(&r) = value;
        };
    };
    script.results[2] = number(2);
    script.results[8] = number(718);
    script.results[12] = number(0);
    script.results[6] = number(10);
    script.results[7] = number(-10);
    script.results[20] = [reads = 0](VARIANT& r) mutable {
        const int scans = 101;
        SAFEARRAYBOUND bounds[2] = {{2, 0}, {scans, 0}};
        SAFEARRAY* array = ::SafeArrayCreate(VT_R8, 2, bounds);
        double* values = nullptr;
        ::SafeArrayAccessData(array, reinterpret_cast<void**>(&values));
        const double level = (reads++ / 10) % 2 == 0 ? 5.0 : 1.0;
        for (int i = 0; i < 2 * scans; ++i) {
            values[i] = i % 2 == 0 ? level : 0.0;
        }
        ::SafeArrayUnaccessData(array);
        V_VT(&r) = VT_ARRAY | VT_R8;
        V_ARRAY(&r) = array;
    };
    script.fire_exit_after_reads = 60;
}

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

using HeadlessWinDaqTest = FakeControlTest;

TEST_F(HeadlessWinDaqTest, RunsWritesHearsTheExitSendsTheNoticeSavesAndEnds) {
    ScriptAnInstrument(*script_);
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
    EXPECT_TRUE(std::regex_search(notices, std::regex("Pellomar\\.exe Global Norvane WinDaq_Exits "
                                                      "[0-9-]{10}[0-9:]{8}<br>WinDaq_ID=Quillon<br>"
                                                      "Devce=718<br>\n")))
        << notices << "\n"
        << out.str();
    char saved[64] = {};
    ::GetPrivateProfileStringA("Quillon", "MathExpression0", "", saved, sizeof saved,
                               "NorvaneAlarm.ini");
    EXPECT_STREQ(saved, "#0>3.3");
    EXPECT_EQ(script_->live_instances, 0) << "the control is released at the end";
    std::filesystem::remove(agent_log);
}

}  // namespace
}  // namespace quillon::testing
