// SPDX-License-Identifier: MIT
#include "utility/ding_wave.hpp"

#include <cmath>
#include <numbers>
#include <string_view>

namespace quillon {
namespace {

constexpr double kFundamentalHz = 1318.5;  // E6, a small bell
constexpr double kOvertoneHz = 2.76 * kFundamentalHz;
constexpr double kDecayPerSecond = 6.0;
constexpr double kOvertoneDecayPerSecond = 14.0;
// A soft start and end, so that the ding does not click.
constexpr double kAttackSeconds = 0.004;
constexpr double kReleaseSeconds = 0.03;
constexpr double kLengthSeconds = kDingMilliseconds / 1000.0;
constexpr double kPeak = 0.6 * 32767.0;

class WaveWriter {
public:
    explicit WaveWriter(std::vector<std::uint8_t>& out) : out_(out) {}
    void Text(std::string_view text) { out_.insert(out_.end(), text.begin(), text.end()); }
    void U16(std::uint16_t value) {
        out_.push_back(static_cast<std::uint8_t>(value & 0xFF));
        out_.push_back(static_cast<std::uint8_t>(value >> 8));
    }
    void U32(std::uint32_t value) {
        U16(static_cast<std::uint16_t>(value & 0xFFFF));
        U16(static_cast<std::uint16_t>(value >> 16));
    }

private:
    std::vector<std::uint8_t>& out_;
};

double SampleAt(double t) {
    const double attack = t < kAttackSeconds ? t / kAttackSeconds : 1.0;
    const double left = kLengthSeconds - t;
    const double release = left < kReleaseSeconds ? left / kReleaseSeconds : 1.0;
    const double two_pi = 2.0 * std::numbers::pi;
    const double fundamental =
        std::exp(-kDecayPerSecond * t) * std::sin(two_pi * kFundamentalHz * t);
    const double overtone =
        0.3 * std::exp(-kOvertoneDecayPerSecond * t) * std::sin(two_pi * kOvertoneHz * t);
    return attack * release * kPeak * (fundamental + overtone) / 1.3;
}

void WriteHeader(WaveWriter& wave, std::uint32_t data_bytes) {
    wave.Text("RIFF");
    wave.U32(36 + data_bytes);
    wave.Text("WAVE");
    wave.Text("fmt ");
    wave.U32(16);  // format chunk size
    wave.U16(1);   // PCM
    wave.U16(1);   // mono
    wave.U32(kDingSampleRate);
    wave.U32(kDingSampleRate * 2);  // bytes per second
    wave.U16(2);                    // bytes per frame
    wave.U16(16);                   // bits per sample
    wave.Text("data");
    wave.U32(data_bytes);
}

}  // namespace

std::vector<std::uint8_t> DingWave() {
    const int samples = kDingSampleRate * kDingMilliseconds / 1000;
    std::vector<std::uint8_t> bytes;
    bytes.reserve(44 + static_cast<std::size_t>(samples) * 2);
    WaveWriter wave(bytes);
    WriteHeader(wave, static_cast<std::uint32_t>(samples) * 2);
    for (int i = 0; i < samples; ++i) {
        const double value = std::round(SampleAt(static_cast<double>(i) / kDingSampleRate));
        wave.U16(static_cast<std::uint16_t>(static_cast<std::int16_t>(value)));
    }
    return bytes;
}

}  // namespace quillon
