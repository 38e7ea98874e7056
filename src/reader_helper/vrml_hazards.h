#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace coin_reading {

// What Coin3D's VRML parser is never given. It keeps numbers in fixed buffers (an integer of
// about 520 digits or a real of about 2,050 overruns its stack), reads a long header line in
// quadratic time and recurses once per nesting level; so the text is checked first, in one pass.
constexpr size_t MAX_HEADER_LINE = 1000;  // bytes of the first line
constexpr size_t MAX_PARSER_WORD = 500;   // characters between delimiters, outside strings/comments
constexpr size_t MAX_NESTING = 1000;      // levels of '{'

// Why `text` must not go to the parser, or nothing when it may: the text does not start with a
// VRML 1.0 or 2.0 header, its header line is too long, it holds a NUL byte, a word is longer than
// MAX_PARSER_WORD, braces nest deeper than MAX_NESTING, or a node named by DEF is used (USE)
// inside itself.
std::optional<std::string> parserHazard(std::string_view text);

}  // namespace coin_reading
