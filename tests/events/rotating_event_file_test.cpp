// SPDX-License-Identifier: MIT
#include "events/rotating_event_file.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "fakes/file_size_limit.hpp"
#include "fakes/temp_directory.hpp"

namespace quillon {
namespace {

using testing::FileSizeLimit;
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
        ASSERT_EQ(file.Append(block, error), block.size()) << error;
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
    EXPECT_EQ(file.Append("{}\n", error), 0U);
    EXPECT_EQ(error, "/dev/full: No space left on device");
}

// Plain names keep their file; others are escaped, so that no two names share a file and the
// name cannot leave the folder.
TEST(RotatingEventFile, TheFileNameIsAnEscapeOfTheInstanceName) {
    const std::pair<std::string, std::string> cases[] = {
        {"Lab1", "Lab1.jsonl"},
        {"", "Quillon.jsonl"},
        {"../x/y", "%2E.%2Fx%2Fy.jsonl"},
        {"A_B", "A_B.jsonl"},
        {"A/B", "A%2FB.jsonl"},
        {"A%2FB", "A%252FB.jsonl"},
        {"Kühlraum 2", "Kühlraum 2.jsonl"},
        {"a:b*c?\"<>|\\ ", "a%3Ab%2Ac%3F%22%3C%3E%7C%5C%20.jsonl"},
        {"bad\xff\tx", "bad%FF%09x.jsonl"},
    };
    for (const auto& [name, file] : cases) {
        EXPECT_EQ(EventFileName(name), file) << name;
    }
    // Long names keep their start, cut at a whole character, and differ by their hash.
    const std::string long_name = std::string(199, 'a') + "ü" + std::string(100, 'b');
    const std::string shortened = EventFileName(long_name);
    EXPECT_EQ(shortened.substr(0, 182), std::string(182, 'a'));
    EXPECT_EQ(shortened.size(), 182 + 18 + 6U) << shortened;
    EXPECT_NE(EventFileName(long_name + "c"), shortened);
}

// Blocks of whole lines that meet the end of the disk halfway: the file keeps the whole lines
// that fit and no part of the next.
TEST(RotatingEventFile, AShortWriteKeepsWholeLinesOnly) {
    TempDirectory directory;
    const std::filesystem::path path = directory.Path() / "Lab1.jsonl";
    RotatingEventFile file(path);
    const std::string line = R"({"event":"slot","n":12345})"
                             "\n";  // 27 bytes
    std::string error;
    ASSERT_EQ(file.Append(line, error), line.size());
    const std::string block = line + line + line;
    std::size_t kept = 0;
    {
        const FileSizeLimit full(line.size() + 40);  // room for one line and a part of the next
        kept = file.Append(block, error);
    }
    EXPECT_EQ(kept, line.size());
    EXPECT_NE(error.find("Lab1.jsonl: "), std::string::npos) << error;
    EXPECT_EQ(ReadFile(path), line + line);
}

}  // namespace
}  // namespace quillon
