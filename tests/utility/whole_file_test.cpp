// SPDX-License-Identifier: MIT
#include "utility/whole_file.hpp"

#include <gtest/gtest.h>

#include "fakes/temp_directory.hpp"

namespace quillon {
namespace {

// Settings, device files and recordings are read whole: every byte as it stands, an empty
// file as an empty text, and a missing one as nothing with its name and reason.
TEST(ReadWholeFile, GivesEveryByteAndSaysWhyThereAreNone) {
    testing::TempDirectory directory;
    const std::string bytes("[Rig]\r\nA=1\0\xff\n", 13);
    for (const std::string& content : {std::string(), bytes}) {
        const std::string path = directory.Write("file.ini", content);
        std::string error;
        EXPECT_EQ(ReadWholeFile(path, error), content);
        EXPECT_EQ(error, "");
    }
    std::string error;
    EXPECT_EQ(ReadWholeFile(directory.Path() / "missing.ini", error), std::nullopt);
    EXPECT_EQ(error, (directory.Path() / "missing.ini").string() + ": No such file or directory");
}

}  // namespace
}  // namespace quillon
