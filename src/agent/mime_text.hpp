// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

namespace quillon::agent {

// Text in the forms a mail carries it. "\n" in the input is a line break.

// Quoted-printable (RFC 2045): lines of at most 76 characters, CR LF line ends.
std::string QuotedPrintable(const std::string& text);
// A header value as is when it is plain ASCII, else RFC 2047 encoded words in UTF-8, as many
// as it takes to keep each line short, separated by folding blanks.
std::string EncodedHeaderWord(const std::string& text);
// The text as RFC 2047 encoded words in UTF-8, whatever it holds.
std::string EncodedWords(const std::string& text);
// "Name: value" and CR LF, folded (RFC 5322) at blanks before 78 characters; encoded words
// when the value is not plain ASCII or holds a word too long to fold.
std::string HeaderField(const std::string& name, const std::string& value);
// A small HTML document with the lines, escaped, separated by <br>; empty lines end paragraphs.
std::string HtmlDocument(const std::vector<std::string>& lines);

}  // namespace quillon::agent
