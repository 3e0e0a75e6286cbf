// SPDX-License-Identifier: MIT
#include "events/rotating_event_file.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "fakes/temp_directory.hpp"

namespace quillon {
namespace {

using testing::TempDirectory;

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Blocks of whole lines of different lengths, as the log's flushes hand them over.
std::vector<std::string> Blocks(int count) {
    std::vector<std::string> blocks;
    for (int block = 0; block < count; ++block) {
        std::string text;
        for (int line = 0; line <= block % 5; ++line) {
            text += R"({"event":"slot","n":)" + std::to_string(block * 10 + line) + "," +
                    std::string(static_cast<std::size_t>(block % 7) * 9, 'x') + "}\n";
        }
        blocks.push_back(text);
    }
    return blocks;
}

struct RotationCase {
    const char* name;
    int files_kept;
    bool everything_kept;
};

class Rotation : public ::testing::TestWithParam<RotationCase> {};

// Read back oldest first, the files hold the newest lines in order, none split, none lost
// but those of files past the limit; no file is larger than the limit.
TEST_P(Rotation, MovesWholeBlocksAsideAndLosesNothingItKeeps) {
    TempDirectory directory;
    constexpr std::uint64_t kLimit = 1000;
    RotatingEventFile file(directory.Path() / "events" / "Lab1.jsonl",
                           {kLimit, GetParam().files_kept});
    std::string all;
    for (const std::string& block : Blocks(120)) {
        std::string error;
        ASSERT_TRUE(file.Append(block, error)) << error;
        all += block;
    }
    std::string kept;
    int files = 0;
    for (int age = GetParam().files_kept; age >= 0; --age) {
        if (std::filesystem::exists(file.PathOf(age))) {
            const std::string text = ReadFile(file.PathOf(age));
            EXPECT_LE(text.size(), kLimit) << age;
            EXPECT_EQ(text.back(), '\n') << age;
            kept += text;
            ++files;
        }
    }
    EXPECT_FALSE(std::filesystem::exists(file.PathOf(GetParam().files_kept)));
    if (GetParam().everything_kept) {
        EXPECT_EQ(kept, all);
    } else {
        EXPECT_EQ(files, GetParam().files_kept);
        ASSERT_LT(kept.size(), all.size());
        EXPECT_EQ(all.substr(all.size() - kept.size()), kept);
        EXPECT_EQ(kept.front(), '{');
    }
}

INSTANTIATE_TEST_SUITE_P(EventLog, Rotation,
                         ::testing::Values(RotationCase{"ManyFilesKeepEverything", 100, true},
                                           RotationCase{"ThreeFilesKeepTheNewest", 3, false}),
                         [](const ::testing::TestParamInfo<RotationCase>& info) {
                             return info.param.name;
                         });

TEST(RotatingEventFile, AFullDiskIsAnErrorThatNamesTheFile) {
    RotatingEventFile file("/dev/full");
    std::string error;
    EXPECT_FALSE(file.Append("{}\n", error));
    EXPECT_EQ(error, "/dev/full: No space left on device");
}

TEST(RotatingEventFile, TheFileNameCannotLeaveTheFolder) {
    EXPECT_EQ(EventFileName("Lab1"), "Lab1.jsonl");
    EXPECT_EQ(EventFileName("../x/y"), "_._x_y.jsonl");
    EXPECT_EQ(EventFileName(""), "Quillon.jsonl");
}

}  // namespace
}  // namespace quillon
