// Line tokenizing shared by the text forms of the asset tools, and their error record.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/bytes.h"

namespace korel::tools {

// Where a source went wrong: a 1-based line (0 when no line applies) and the problem.
struct Diagnostic {
    int line = 0;
    std::string message;
};

struct Token {
    enum Kind { Word, String, Chars };
    Kind kind = Word;
    std::string text;  // the word, or the decoded bytes of a "string" or 'chars'
};

// Splits one line into tokens: words separated by spaces, tabs or commas, "strings" with the
// escapes \" \\ \xHH, 'chars' with the same escapes, and a # comment to the end of the line
// (a colour #rrggbb is a word, not a comment).
// Returns false with a message on an unterminated quote or a bad escape.
bool tokenizeLine(std::string_view line, std::vector<Token>& out, std::string& error);

// Splits a whole text into lines (\n, with an optional \r before it).
std::vector<std::string_view> splitLines(std::string_view text);

// Quotes bytes as a "string" with escapes for anything outside printable ASCII.
std::string quote(std::string_view bytes, char mark = '"');

// Parses a decimal integer (optional sign); false unless the whole text is one.
bool parseInt(std::string_view text, long long& out);

// Parses one hexadecimal byte "HH" (optionally "0x"-prefixed).
bool parseHexByte(std::string_view text, uint8_t& out);

// Formats bytes as "HH HH ...".
std::string hexBytes(std::span<const uint8_t> bytes);

// The bytes of a fixed-width text field without its trailing NUL padding.
std::string fieldText(std::span<const uint8_t> field);

}  // namespace korel::tools
