// SPDX-License-Identifier: MIT
#include "platform/linux/file_profile_store.hpp"

#include "platform/linux/durable_file.hpp"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <grp.h>
#include <fstream>
#include <functional>
#include <sstream>

#include "utility/ini_file.hpp"

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

    void WriteFile(const std::string& text, mode_t mode = 0644) const {
        std::filesystem::create_directories(dir_);
        std::ofstream(dir_ / "test.ini", std::ios::binary) << text;
        ::chmod((dir_ / "test.ini").c_str(), mode);
    }
    struct stat Status(const std::string& name = "test.ini") const {
        struct stat status {};
        ::lstat((dir_ / name).c_str(), &status);
        return status;
    }
    // Runs `work` in a child that has become the unprivileged user "nobody"; its exit status.
    static int AsNobody(const std::function<bool()>& work) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            const bool ok = ::setgroups(0, nullptr) == 0 && ::setgid(65534) == 0 &&
                            ::setuid(65534) == 0 && work();
            ::_exit(ok ? 0 : 1);
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::filesystem::path dir_;
};

// What the user set up on the file survives a save: its mode and group, its links, and a
// read-only mark even against root.
TEST_F(FileProfileStoreTest, ASaveKeepsWhatTheUserSetUp) {
    WriteFile("[Q]\nk=old\n", 0664);
    ::chown((dir_ / "test.ini").c_str(), ::geteuid(), 100);
    std::filesystem::create_hard_link(dir_ / "test.ini", dir_ / "hard.ini");
    std::filesystem::create_symlink("test.ini", dir_ / "link.ini");
    FileProfileStore store(dir_);
    ASSERT_TRUE(store.Write("link.ini", "Q", "k", "new")) << store.LastError();
    EXPECT_TRUE(S_ISLNK(Status("link.ini").st_mode));
    EXPECT_EQ(Status().st_mode & 07777, 0664U);
    EXPECT_EQ(Status().st_gid, ::getuid() == 0 ? 100U : Status().st_gid);
    EXPECT_EQ(Status().st_nlink, 2U);
    EXPECT_EQ(FileText(), "[Q]\nk=new\n");

    ::chmod((dir_ / "test.ini").c_str(), 0444);
    EXPECT_FALSE(store.Write("test.ini", "Q", "k", "newer"));
    EXPECT_NE(store.LastError().find("read-only"), std::string::npos) << store.LastError();
    EXPECT_EQ(FileText(), "[Q]\nk=new\n");
}

// Another user who may write the file takes the same lock and saves, even in a folder where
// only the file is writable for them.
TEST_F(FileProfileStoreTest, ASecondUserSavesIntoASharedFile) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to act as a second user";
    }
    WriteFile("[Mine]\nk=1\n", 0666);
    FileProfileStore(dir_).Write("test.ini", "Mine", "k", "2");
    ::chmod(dir_.c_str(), 0755);
    EXPECT_EQ(
        AsNobody([&] { return FileProfileStore(dir_).Write("test.ini", "Theirs", "k", "3"); }), 0);
    EXPECT_EQ(FileText(), "[Mine]\nk=2\n[Theirs]\nk=3\n");
    EXPECT_EQ(Status().st_uid, 0U);
}

TEST_F(FileProfileStoreTest, ALockHeldElsewhereMakesTheSaveFailInBoundedTime) {
    WriteFile("[Q]\nk=1\n");
    const int holder = ::open((dir_ / "test.ini").c_str(), O_RDONLY);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);
    FileProfileStore store(dir_, std::chrono::milliseconds(100));
    EXPECT_FALSE(store.Write("test.ini", "Q", "k", "2"));
    EXPECT_NE(store.LastError().find("locked"), std::string::npos) << store.LastError();
    ::close(holder);
    EXPECT_TRUE(store.Write("test.ini", "Q", "k", "2"));
}

TEST_F(FileProfileStoreTest, AFileThatExistsButCannotBeReadStopsTheLoad) {
    FileProfileStore store(dir_);
    EXPECT_NO_THROW(store.RequireReadable("test.ini"));  // missing: defaults
    std::filesystem::create_directories(dir_ / "test.ini");
    EXPECT_THROW(store.RequireReadable("test.ini"), std::runtime_error);
}

// A save killed at any point leaves the section all old or all new, and its temporary file
// goes at the next save.
TEST_F(FileProfileStoreTest, KilledSavesLeaveWholeSectionsAndNoTemporaryFiles) {
    WriteFile("[Other]\nx=1\n");
    constexpr int kKeys = 45;
    for (int run = 0; run < 40; ++run) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            FileProfileStore store(dir_);
            for (int round = 0;; ++round) {
                ProfileValues values;
                for (int k = 0; k < kKeys; ++k) {
                    values.emplace_back("Key" + std::to_string(k), std::to_string(round));
                }
                store.WriteSection("test.ini", "Lab", values);
            }
        }
        ::usleep(static_cast<useconds_t>(2000 + run * 500));
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        const IniFile ini(FileText());
        ASSERT_EQ(ini.Value("Other", "x"), "1");
        const auto first = ini.Value("Lab", "Key0");
        for (int k = 1; k < kKeys; ++k) {
            ASSERT_EQ(ini.Value("Lab", "Key" + std::to_string(k)), first) << "run " << run;
        }
    }
    ASSERT_TRUE(FileProfileStore(dir_).Write("test.ini", "Other", "x", "1"));
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir_)) {
        ++files;
    }
    EXPECT_EQ(files, 1U);
}

TEST_F(FileProfileStoreTest, CreatesDirectoryAndFileAndReadsBack) {
    FileProfileStore store(dir_ / "nested");
    EXPECT_EQ(store.Read("test.ini", "Q", "k", "fallback"), "fallback");
    ASSERT_TRUE(store.Write("test.ini", "Q", "k", "  value  "));
    EXPECT_EQ(store.Read("test.ini", "q", "K", "fallback"), "value");
    EXPECT_FALSE(std::filesystem::exists(DurableFile::TemporaryFor(dir_ / "nested" / "test.ini")));
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
