// SPDX-License-Identifier: MIT
#include "control/manual_control.hpp"

#include <string_view>

namespace quillon {
namespace {

// Window keys by slot 0 to 8; slot 9 has none.
constexpr std::string_view kEquationKeys = "123456789";
constexpr std::string_view kForceSetKeys = "QWERTYUIO";
constexpr std::string_view kForceResetKeys = "ASDFGHJKL";

// ASCII only, whatever the process locale says about other bytes.
char UpperCase(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

std::uint16_t HighBytePattern(std::int32_t word) {
    return static_cast<std::uint16_t>(static_cast<std::int16_t>(word));
}

}  // namespace

std::optional<std::string> ManualControl::ManualOutputChanged(int output) {
    if (output < 0 || output >= kOutputCount) {
        return std::nullopt;
    }
    UpdateWords(output, panel_.Slot(output).manual_output == 1);
    return WriteFormInUse();
}

// Bits are set, not added: a value other than 0 or 1 in D(n), or a repeated report of the
// same state, cannot make the words drift.
void ManualControl::UpdateWords(int output, bool on) {
    auto word = static_cast<std::uint16_t>(manual_word_);
    std::uint16_t high = HighBytePattern(manual_high_byte_word_);
    const auto bit = static_cast<std::uint16_t>(1U << output);
    const auto high_bit = static_cast<std::uint16_t>(1U << (output + 8));
    word = static_cast<std::uint16_t>(on ? (word | bit) : (word & ~bit));
    high = static_cast<std::uint16_t>(on ? (high | high_bit) : (high & ~high_bit));
    manual_word_ = static_cast<std::int16_t>(word);
    manual_high_byte_word_ = static_cast<std::int16_t>(high);
}

std::optional<std::string> ManualControl::WriteFormInUse() {
    const bool high_byte = facts_.high_byte_layout;
    const std::int16_t word =
        high_byte ? static_cast<std::int16_t>(manual_high_byte_word_) : manual_word_;
    const std::int32_t last =
        high_byte ? last_written_manual_high_byte_word_ : last_written_manual_word_;
    if (force_write_.pending || word != last) {
        if (std::optional<std::string> failure = Write(word, high_byte)) {
            return failure;
        }
    }
    force_write_.pending = false;
    return std::nullopt;
}

std::optional<std::string> ManualControl::Write(std::int16_t word, bool high_byte) {
    OutputWrite write{word, high_byte, force_write_.pending, true, {}};
    try {
        host_.WriteDigitalOutputs(word);
    } catch (const HostError& error) {
        write.error = error.what();
        events_->OutputWritten(write);
        return "Manual output word " + std::to_string(word) + " not written: " + error.what();
    }
    events_->OutputWritten(write);
    if (high_byte) {
        last_written_manual_high_byte_word_ = word;
    } else {
        last_written_manual_word_ = word;
    }
    return std::nullopt;
}

void ManualControl::CharacterTyped(char character) {
    const char key = UpperCase(character);
    const std::string_view tables[] = {kForceSetKeys, kEquationKeys, kForceResetKeys};
    for (int position = kForceSetPosition; position <= kForceResetPosition; ++position) {
        const std::size_t slot = tables[position - kForceSetPosition].find(key);
        if (slot != std::string_view::npos) {
            panel_.SetSwitchPosition(static_cast<int>(slot), position);
            return;
        }
    }
}

}  // namespace quillon
