// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

namespace quillon::agent {

// Text in the forms a mail carries it. "\n" in the input is a line break.

// Quoted-printable (RFC 2045): lines of at most 76 characters, CR LF line ends.
std::string QuotedPrintable(const std::string& text);
// A header value as is when it is plain ASCII, else one RFC 2047 encoded word in UTF-8.
std::string EncodedHeaderWord(const std::string& text);
// A small HTML document with the lines, escaped, separated by <br>; empty lines end paragraphs.
std::string HtmlDocument(const std::vector<std::string>& lines);

}  // namespace quillon::agent
