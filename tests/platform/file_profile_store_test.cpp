// SPDX-License-Identifier: MIT
#include "platform/linux/file_profile_store.hpp"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "platform/ini_file.hpp"

namespace quillon {
namespace {

class FileProfileStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("quillon-profile-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string FileText() const {
        std::ifstream in(dir_ / "test.ini", std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    std::filesystem::path dir_;
};

TEST_F(FileProfileStoreTest, CreatesDirectoryAndFileAndReadsBack) {
    FileProfileStore store(dir_ / "nested");
    EXPECT_EQ(store.Read("test.ini", "Q", "k", "fallback"), "fallback");
    ASSERT_TRUE(store.Write("test.ini", "Q", "k", "  value  "));
    EXPECT_EQ(store.Read("test.ini", "q", "K", "fallback"), "value");
    EXPECT_FALSE(
        std::filesystem::exists(dir_ / "nested" / ("test.ini.new." + std::to_string(::getpid()))));
}

TEST_F(FileProfileStoreTest, UnwritableLocationIsReportedNotThrown) {
    std::filesystem::create_directories(dir_);
    std::ofstream(dir_ / "plain-file") << "x";
    FileProfileStore store(dir_ / "plain-file" / "below");
    EXPECT_FALSE(store.Write("test.ini", "Q", "k", "v"));
    EXPECT_NE(store.LastError().find("plain-file"), std::string::npos) << store.LastError();
    EXPECT_EQ(store.Read("test.ini", "Q", "k", "d"), "d");
}

TEST_F(FileProfileStoreTest, AFileThatCannotBeReadIsNeverReplaced) {
    std::filesystem::create_directories(dir_ / "test.ini");
    FileProfileStore store(dir_);
    EXPECT_FALSE(store.Write("test.ini", "Q", "k", "v"));
    EXPECT_NE(store.LastError().find("cannot read"), std::string::npos) << store.LastError();
    EXPECT_TRUE(std::filesystem::is_directory(dir_ / "test.ini"));
}

// Several processes save their own sections key by key, many times, at once: no section and
// no key may be lost, and a reader never sees a half-written file.
TEST_F(FileProfileStoreTest, ConcurrentSavesOfDifferentSectionsLoseNothing) {
    constexpr int kProcesses = 4;
    constexpr int kRounds = 15;
    constexpr int kKeys = 8;
    std::vector<pid_t> children;
    for (int p = 0; p < kProcesses; ++p) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            FileProfileStore store(dir_);
            bool ok = true;
            for (int round = 0; round < kRounds; ++round) {
                for (int k = 0; k < kKeys; ++k) {
                    ok &= store.Write("test.ini", "Lab" + std::to_string(p),
                                      "Key" + std::to_string(k), "round " + std::to_string(round));
                }
            }
            ::_exit(ok ? 0 : 1);
        }
        children.push_back(pid);
    }
    std::size_t largest_seen = 0;
    int running = kProcesses;
    while (running > 0) {
        const std::string text = FileText();
        // Every key written so far stays: the file never shrinks below what it held before.
        EXPECT_TRUE(text.empty() || text.back() == '\n');
        EXPECT_GE(text.size() + 16, largest_seen);
        largest_seen = std::max(largest_seen, text.size());
        int status = 0;
        while (::waitpid(-1, &status, WNOHANG) > 0) {
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
            --running;
        }
    }
    const IniFile ini(FileText());
    for (int p = 0; p < kProcesses; ++p) {
        for (int k = 0; k < kKeys; ++k) {
            EXPECT_EQ(ini.Value("Lab" + std::to_string(p), "Key" + std::to_string(k)),
                      "round " + std::to_string(kRounds - 1));
        }
    }
}

}  // namespace
}  // namespace quillon
