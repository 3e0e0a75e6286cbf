// SPDX-License-Identifier: MIT
// The same reads and writes through Quillon's own INI code and through the system's profile
// functions, in one process: the values read back and the files written must agree.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "case_name.hpp"
#include "platform/win32/win32_profile_store.hpp"
#include "utility/ini_file.hpp"

namespace quillon::testing {
namespace {

constexpr const char* kFile = "Differential.ini";

struct StartCase {
    std::string name;
    std::string text;  // the file as a person left it
    unsigned seed;
};

const StartCase kStarts[] = {
    {"NoFile", "", 1},
    {"TidyFile", "[Lab1]\r\nMathExpression0=#0>3.3\r\nS0=Set\r\n\r\n[Other]\r\nKey=1\r\n", 2},
    {"HandEdited",
     "; settings\r\n[ Lab1 ]\r\n  MathExpression0 =  #0>3.3  \r\nS0=\"Set\"\r\n"
     "\tKey\t=\t'quoted'\r\nno equals sign here\r\n\r\n\r\n[other]\r\nkey=\r\n",
     3},
    {"DuplicateSectionsAndKeys",
     "[Lab1]\r\nKey=first\r\nKEY=second\r\n[lab1]\r\nKey=third\r\nMore=x\r\n", 4},
    {"LongValues", "[Lab1]\r\nKey=" + std::string(600, 'v') + "\r\n", 5},
};

const char* const kSections[] = {"Lab1", "lab1", "LAB1", "Other", "New Section"};
const char* const kKeys[] = {"Key", "key", "MathExpression0", "S0", "More", "Window Top"};
const char* const kValues[] = {
    "",         "1",      "#0>3.3 & #1<2", " padded ", "\"quoted\"",
    "'single'", "\"half", "a=b;c",         "\ttab\t",  "[not a section]"};

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string Trimmed(const std::string& text) {
    const std::size_t begin = text.find_first_not_of(" \t");
    const std::size_t end = text.find_last_not_of(" \t");
    return begin == std::string::npos ? "" : text.substr(begin, end - begin + 1);
}

// Wine's profile writer rewrites the whole file in a tidy form (names and values trimmed, no
// blank lines, CR LF), where Windows and Quillon leave every other line as it was: the files
// are compared in that tidy form, and the values read back exactly.
std::string Tidy(const std::string& text) {
    std::istringstream lines(text);
    std::string tidy;
    std::string line;
    while (std::getline(lines, line)) {
        std::erase(line, '\r');
        line = Trimmed(line);
        if (line.size() > 1 && line.front() == '[' && line.back() == ']') {
            line = "[" + Trimmed(line.substr(1, line.size() - 2)) + "]";
        } else if (const std::size_t equals = line.find('='); equals != std::string::npos) {
            line = Trimmed(line.substr(0, equals)) + "=" + Trimmed(line.substr(equals + 1));
        }
        if (!line.empty()) {
            tidy += line + "\n";
        }
    }
    return tidy;
}

class ProfileDifferentialTest : public ::testing::TestWithParam<StartCase> {
protected:
    void SetUp() override {
        directory_ = std::filesystem::temp_directory_path() /
                     ("quillon-differential-" + std::to_string(::GetCurrentProcessId()));
        std::filesystem::create_directories(directory_);
        std::filesystem::remove(directory_ / kFile);
        if (!GetParam().text.empty()) {
            std::ofstream(directory_ / kFile, std::ios::binary) << GetParam().text;
        }
    }
    void TearDown() override { std::filesystem::remove_all(directory_); }

    std::filesystem::path directory_;
};

TEST_P(ProfileDifferentialTest, ReadsAndWritesAgreeWithTheSystem) {
    Win32ProfileStore system(directory_.string());
    IniFile own(GetParam().text);
    std::mt19937 random(GetParam().seed);
    const auto pick = [&random](const auto& choices) {
        return choices[std::uniform_int_distribution<std::size_t>(0,
                                                                  std::size(choices) - 1)(random)];
    };
    for (int step = 0; step < 200; ++step) {
        const std::string section = pick(kSections);
        const std::string key = pick(kKeys);
        std::ostringstream what;
        if (random() % 3 == 0) {
            std::string value = pick(kValues);
            if (random() % 8 == 0) {
                value = std::string(300 + random() % 700, 'x');
            }
            what << "step " << step << ": write [" << section << "] " << key << "=" << value;
            ASSERT_TRUE(system.Write(kFile, section, key, value)) << what.str();
            own.SetValue(section, key, value, "\r\n");
            ASSERT_EQ(Tidy(ReadFile(directory_ / kFile)), Tidy(own.Text())) << what.str();
        } else {
            what << "step " << step << ": read [" << section << "] " << key;
            ASSERT_EQ(system.Read(kFile, section, key, "fallback"),
                      own.Value(section, key).value_or("fallback"))
                << what.str();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(RandomSequences, ProfileDifferentialTest, ::testing::ValuesIn(kStarts),
                         [](const auto& info) { return CaseName(info.param.name); });

}  // namespace
}  // namespace quillon::testing
