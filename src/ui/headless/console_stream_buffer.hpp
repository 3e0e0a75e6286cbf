// SPDX-License-Identifier: MIT
#pragma once

#include <streambuf>
#include <string>

#include "ui/headless/console_writer.hpp"

namespace quillon {

// A std::ostream's buffer that hands each finished line to a ConsoleWriter, so that the
// console printers keep writing to streams while nothing they write can block the loop. A
// flush (std::endl) writes what the reader takes now.
class ConsoleStreamBuffer final : public std::streambuf {
public:
    // `prefix` starts every line: the journal's priority ("<3>") when it reads the console.
    explicit ConsoleStreamBuffer(ConsoleWriter& writer, std::string prefix = "")
        : writer_(writer), prefix_(std::move(prefix)) {}

protected:
    int_type overflow(int_type character) override;
    std::streamsize xsputn(const char_type* text, std::streamsize count) override;
    int sync() override;

private:
    void Put(char character);

    ConsoleWriter& writer_;
    std::string prefix_;
    std::string line_;
};

}  // namespace quillon
