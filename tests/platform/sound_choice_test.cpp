// SPDX-License-Identifier: MIT
#include "platform/sound_choice.hpp"

#include <gtest/gtest.h>

#include "case_name.hpp"

namespace quillon {
namespace {

struct ChoiceCase {
    const char* path;
    std::int16_t flags;
    bool exists;
    SoundSource source;
};

class SoundChoiceTest : public ::testing::TestWithParam<ChoiceCase> {};

TEST_P(SoundChoiceTest, ChoosesWhatToPlay) {
    EXPECT_EQ(ChooseSound(GetParam().path, GetParam().flags, GetParam().exists), GetParam().source)
        << GetParam().path;
}

INSTANTIATE_TEST_SUITE_P(
    Paths, SoundChoiceTest,
    ::testing::Values(ChoiceCase{"/sounds/a.wav", 3, true, SoundSource::File},
                      ChoiceCase{"c:\\windows\\media\\ding.wav", 3, true, SoundSource::File},
                      ChoiceCase{"c:\\windows\\media\\ding.wav", 3, false, SoundSource::Bell},
                      ChoiceCase{"D:/alarm.wav", 3, false, SoundSource::Bell},
                      ChoiceCase{"media\\ding.wav", 3, false, SoundSource::Bell},
                      ChoiceCase{"/sounds/missing.wav", 3, false, SoundSource::Silence},
                      ChoiceCase{"missing.wav", 2, false, SoundSource::Silence},
                      ChoiceCase{"/sounds/missing.wav", 1, false, SoundSource::Bell},
                      ChoiceCase{"/sounds/missing.wav", 0, false, SoundSource::Bell},
                      ChoiceCase{"", 3, false, SoundSource::Silence},
                      ChoiceCase{"   ", 3, false, SoundSource::Silence},
                      ChoiceCase{"1:x.wav", 3, false, SoundSource::Silence}),
    [](const auto& info) {
        return testing::CaseName(info.param.path, info.param.flags,
                                 info.param.exists ? "Exists" : "Missing");
    });

}  // namespace
}  // namespace quillon
