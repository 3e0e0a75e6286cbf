// SPDX-License-Identifier: MIT
#include "ui/headless/console_stream_buffer.hpp"

namespace quillon {

ConsoleStreamBuffer::int_type ConsoleStreamBuffer::overflow(int_type character) {
    if (!traits_type::eq_int_type(character, traits_type::eof())) {
        Put(traits_type::to_char_type(character));
    }
    return traits_type::not_eof(character);
}

std::streamsize ConsoleStreamBuffer::xsputn(const char_type* text, std::streamsize count) {
    for (std::streamsize i = 0; i < count; ++i) {
        Put(text[i]);
    }
    return count;
}

int ConsoleStreamBuffer::sync() {
    writer_.Flush();
    return 0;
}

void ConsoleStreamBuffer::Put(char character) {
    if (character != '\n') {
        line_ += character;
        return;
    }
    writer_.WriteLine(prefix_ + line_);
    line_.clear();
}

}  // namespace quillon
