// SPDX-License-Identifier: MIT
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "agent/smtp_test_server.hpp"
#include "fakes/temp_directory.hpp"

namespace quillon::testing {

// Makes a folder read-only, or writable again, for its owner and for root alike (root is
// kept out by the immutable attribute, where the file system has one). False when it could
// not be done.
bool SetFolderReadOnly(const std::filesystem::path& folder, bool read_only);

// The built pellomar run as a real process against the real test server, with its settings
// and state in a fresh folder. Settings keep every delay short, so that tests stay fast.
class AgentFixture : public ::testing::Test {
protected:
    struct Result {
        int status = -1;  // exit status, or -1 when it did not end normally
        std::string output;
    };

    void SetUp() override;
    void TearDown() override;

    // The [Mail] keys the tests start from; a test changes some and calls WriteSettings.
    std::map<std::string, std::string> mail;
    void WriteSettings(bool with_mail_section = true);

    Result Agent(const std::vector<std::string>& arguments);
    // How the tests start pellomar: with the fixture's settings and state, output to `output`.
    ProgramStart AgentStart(const std::vector<std::string>& arguments, int output = -1) const;
    // Quillon's command line for an alarm on `instance` whose channel line carries `tag`.
    static std::vector<std::string> AlarmArguments(const std::string& instance,
                                                   const std::string& tag);

    bool WaitForMails(std::size_t count, std::chrono::milliseconds patience);
    // Waits until the outbox is empty and no deliverer holds the lock, then collects the
    // ended deliverers; their number.
    int WaitForDeliverersToEnd(std::chrono::milliseconds patience);
    // Processes the test started that are still there, running or not yet collected.
    int ChildrenLeft() const;
    std::vector<std::string> OutboxEntries() const;
    std::optional<pid_t> DelivererId() const;
    // How often each tag arrived in the mails so far.
    std::map<std::string, int> TagCounts() const;

    TempDirectory temp;
    std::filesystem::path config;
    std::filesystem::path state;
    std::string password_file;
    std::unique_ptr<SmtpTestServer> server;
};

}  // namespace quillon::testing
