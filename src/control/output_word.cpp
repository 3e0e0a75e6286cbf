// SPDX-License-Identifier: MIT
#include "control/output_word.hpp"

#include <exception>

namespace quillon {

void OutputWord::SetOutputBit(int output, int value) {
    const auto low = static_cast<std::uint16_t>(1u << output);
    const auto high = static_cast<std::uint16_t>(1u << (output + 8));
    if (value == 1) {
        word_ |= low;
        high_byte_word_ |= high;
    } else {
        word_ &= static_cast<std::uint16_t>(~low);
        high_byte_word_ &= static_cast<std::uint16_t>(~high);
    }
}

void OutputWord::WriteOutputWord() {
    const bool high_layout = facts_.high_byte_layout;
    const std::uint16_t word = high_layout ? high_byte_word_ : word_;
    std::uint16_t& last_written = high_layout ? last_written_high_byte_word_ : last_written_word_;
    if (force_write_.pending || word != last_written) {
        OutputWrite write{
            static_cast<std::int16_t>(word), high_layout, force_write_.pending, false, {}};
        try {
            host_.WriteDigitalOutputs(write.word);
        } catch (const std::exception& error) {
            write.error = error.what();
            events_->OutputWritten(write);
            throw;
        }
        events_->OutputWritten(write);
        last_written = word;
    }
    // After a failed write the flag stays, so the next write goes out whatever it holds.
    force_write_.pending = false;
}

}  // namespace quillon
