// SPDX-License-Identifier: MIT
#include "utility/ding_wave.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace quillon {
namespace {

std::uint32_t U32At(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return bytes[at] | (bytes[at + 1] << 8) | (bytes[at + 2] << 16) |
           (static_cast<std::uint32_t>(bytes[at + 3]) << 24);
}
std::uint16_t U16At(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}
std::string TextAt(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return std::string(bytes.begin() + static_cast<long>(at),
                       bytes.begin() + static_cast<long>(at) + 4);
}

class DingWaveTest : public ::testing::Test {
protected:
    double Rms(int first, int count) const {
        double sum = 0.0;
        for (int i = first; i < first + count; ++i) {
            const double v =
                static_cast<std::int16_t>(U16At(wave, 44 + 2 * static_cast<std::size_t>(i)));
            sum += v * v;
        }
        return std::sqrt(sum / count);
    }

    std::vector<std::uint8_t> wave = DingWave();
    int samples = kDingSampleRate * kDingMilliseconds / 1000;
};

TEST_F(DingWaveTest, IsAMono16BitPcmWaveFile) {
    ASSERT_EQ(wave.size(), 44U + 2U * static_cast<std::size_t>(samples));
    EXPECT_EQ(TextAt(wave, 0), "RIFF");
    EXPECT_EQ(U32At(wave, 4), wave.size() - 8);
    EXPECT_EQ(TextAt(wave, 8), "WAVE");
    EXPECT_EQ(TextAt(wave, 12), "fmt ");
    EXPECT_EQ(U32At(wave, 16), 16U);
    EXPECT_EQ(U16At(wave, 20), 1);  // PCM
    EXPECT_EQ(U16At(wave, 22), 1);  // mono
    EXPECT_EQ(U32At(wave, 24), static_cast<std::uint32_t>(kDingSampleRate));
    EXPECT_EQ(U32At(wave, 28), static_cast<std::uint32_t>(kDingSampleRate) * 2);
    EXPECT_EQ(U16At(wave, 32), 2);
    EXPECT_EQ(U16At(wave, 34), 16);
    EXPECT_EQ(TextAt(wave, 36), "data");
    EXPECT_EQ(U32At(wave, 40), 2U * static_cast<std::uint32_t>(samples));
}

TEST_F(DingWaveTest, StartsAndEndsSilentAndDecays) {
    const int tenth = kDingSampleRate / 10;
    EXPECT_EQ(Rms(0, 1), 0.0);
    EXPECT_EQ(Rms(samples - 1, 1), 0.0);
    EXPECT_GT(Rms(0, tenth), 3000.0);
    EXPECT_GT(Rms(0, tenth), 20.0 * Rms(samples - tenth, tenth));
    EXPECT_GT(Rms(tenth, tenth), Rms(3 * tenth, tenth));
}

}  // namespace
}  // namespace quillon
