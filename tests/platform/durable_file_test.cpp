// SPDX-License-Identifier: MIT
#include "platform/linux/durable_file.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "fakes/temp_directory.hpp"

namespace quillon {
namespace {

// A process id that no process has: a child that has ended and been reaped.
pid_t GonePid() {
    const pid_t child = ::fork();
    if (child == 0) {
        ::_exit(0);
    }
    ::waitpid(child, nullptr, 0);
    return child;
}

void Touch(const std::filesystem::path& path) {
    std::ofstream(path) << "x";
}

// Which temporaries a clean-up removes: those of a gone writer (of the named target, when one
// is named), never those of a live one, never other files.
TEST(DurableFile, RemovesOnlyTheTemporariesOfGoneWriters) {
    testing::TempDirectory dir;
    const std::string gone = std::to_string(GonePid());
    const std::string alive = std::to_string(::getppid());
    const std::filesystem::path folder = dir.Path();
    Touch(folder / (".tmp-" + gone + "-a.ini"));
    Touch(folder / (".tmp-" + gone + "-b.ini"));
    Touch(folder / (".tmp-" + alive + "-a.ini"));
    Touch(folder / ".tmp-notapid-a.ini");
    Touch(folder / "a.ini");

    DurableFile::RemoveStaleTemporaries(folder, std::chrono::hours(1), "a.ini");
    EXPECT_FALSE(std::filesystem::exists(folder / (".tmp-" + gone + "-a.ini")));
    EXPECT_TRUE(std::filesystem::exists(folder / (".tmp-" + gone + "-b.ini")));
    EXPECT_TRUE(std::filesystem::exists(folder / (".tmp-" + alive + "-a.ini")));
    EXPECT_TRUE(std::filesystem::exists(folder / ".tmp-notapid-a.ini"));
    EXPECT_TRUE(std::filesystem::exists(folder / "a.ini"));

    DurableFile::RemoveStaleTemporaries(folder, std::chrono::hours(1));
    EXPECT_FALSE(std::filesystem::exists(folder / (".tmp-" + gone + "-b.ini")));
    EXPECT_TRUE(std::filesystem::exists(folder / (".tmp-" + alive + "-a.ini")));
}

TEST(DurableFile, AReplacedFileKeepsTheModeItIsGiven) {
    testing::TempDirectory dir;
    const std::filesystem::path path = dir.Path() / "settings.ini";
    std::string error;
    ASSERT_TRUE(DurableFile::Write(path, "[A]\n", error)) << error;
    struct stat status {};
    ASSERT_EQ(::stat(path.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600U);

    const DurableFile::Keep keep{::geteuid(), ::getegid(), S_IFREG | 0640};
    ASSERT_TRUE(DurableFile::Write(path, "[B]\n", error, keep)) << error;
    ASSERT_EQ(::stat(path.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0640U);
    EXPECT_FALSE(std::filesystem::exists(DurableFile::TemporaryFor(path)));

    EXPECT_FALSE(DurableFile::Write(dir.Path() / "missing" / "x.ini", "", error));
    EXPECT_NE(error.find("cannot create"), std::string::npos) << error;
}

}  // namespace
}  // namespace quillon
