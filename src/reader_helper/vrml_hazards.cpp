#include "reader_helper/vrml_hazards.h"

#include <array>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

namespace coin_reading {

namespace {

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

std::string atLine(const std::string& what, size_t limit, const char* unit, size_t line) {
    return what + " " + std::to_string(limit) + " " + unit + " at line " + std::to_string(line);
}

// Characters that end a word for the parser as well as for this scan. Every character the
// parser takes into a number is a word character here, so no number is longer than its word.
constexpr std::array<bool, 256> DELIMITERS = [] {
    std::array<bool, 256> table{};
    for (const unsigned char c : std::string_view(" \t\n\r\f\v,{}[]\"#")) {
        table[c] = true;
    }
    return table;
}();

}  // namespace

std::optional<std::string> parserHazard(std::string_view text) {
    if (!startsWith(text, "#VRML V1.0 ascii") && !startsWith(text, "#VRML V2.0 utf8")) {
        return "not VRML 1.0 or 2.0 text (no \"#VRML V1.0 ascii\" or \"#VRML V2.0 utf8\" header)";
    }
    const void* newline = std::memchr(text.data(), '\n', text.size());
    const size_t headerLength =
        newline ? static_cast<const char*>(newline) - text.data() : text.size();
    if (headerLength > MAX_HEADER_LINE) {
        return "a header line of more than " + std::to_string(MAX_HEADER_LINE) + " bytes";
    }
    if (std::memchr(text.data(), '\0', text.size())) {
        return std::string("a NUL byte in the text");
    }
    size_t line = 1;
    size_t depth = 0;
    size_t word = 0;
    // Nodes named by DEF whose braces are still open: a USE of one of them inside it makes Coin
    // read a node into itself, which it does not survive.
    std::vector<std::pair<std::string_view, size_t>> openDefinitions;
    std::string_view previous, naming;
    std::array<long long, 3> imageSize{};
    int imageNumbers = 3;  // below 3 while the numbers after "image" are read
    for (size_t i = headerLength; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (!DELIMITERS[c]) {
            if (++word > MAX_PARSER_WORD) {
                return atLine("a word of more than", MAX_PARSER_WORD, "characters", line);
            }
            continue;
        }
        if (word > 0) {
            const std::string_view current = text.substr(i - word, word);
            if (previous == "image") {
                imageSize = {};
                imageNumbers = 0;
            }
            // An image's width, height and bytes per pixel: Coin multiplies them in 16 and 32
            // bits and allocates the result. Its parser takes a number from the start of a word
            // and the rest as what follows ("4normalIndex" is 4, then normalIndex), so every
            // number a word starts with counts.
            if (imageNumbers < 3) {
                const std::string number(current);
                const char* next = number.c_str();
                while (imageNumbers < 3) {
                    char* end = nullptr;
                    const long long value = std::strtoll(next, &end, 0);
                    if (end == next) {
                        imageNumbers = 3;
                    } else if (value < 0 || value > static_cast<long long>(MAX_IMAGE_SIDE)) {
                        return atLine("an image side outside 0 ..", MAX_IMAGE_SIDE, "pixels", line);
                    } else {
                        imageSize[imageNumbers++] = value;
                        if (imageNumbers == 3 && imageSize[0] * imageSize[1] * imageSize[2] >
                                                     static_cast<long long>(MAX_IMAGE_BYTES)) {
                            return atLine("an image of more than", MAX_IMAGE_BYTES, "bytes", line);
                        }
                        if (*end == '\0') {
                            break;
                        }
                        next = end;
                    }
                }
            }
            if (previous == "DEF") {
                naming = current;
            } else if (previous == "USE") {
                for (const auto& open : openDefinitions) {
                    if (open.first == current) {
                        return "a node that uses itself (USE " + std::string(current) +
                               " inside DEF " + std::string(current) + ") at line " +
                               std::to_string(line);
                    }
                }
            }
            previous = current;
        }
        word = 0;
        if (c == '{' && !naming.empty()) {
            openDefinitions.emplace_back(naming, depth + 1);
            naming = {};
        } else if (c == '}' || c == '[' || c == ']') {
            naming = {};
        }
        if (c == '}') {
            while (!openDefinitions.empty() && openDefinitions.back().second >= depth) {
                openDefinitions.pop_back();
            }
        }
        if (c == '\n') {
            ++line;
        } else if (c == '#') {
            // A comment runs to the end of its line.
            while (i + 1 < text.size() && text[i + 1] != '\n') {
                ++i;
            }
        } else if (c == '"') {
            // A string runs to the next quote that no backslash escapes.
            for (++i; i < text.size() && text[i] != '"'; ++i) {
                if (text[i] == '\\') {
                    ++i;
                }
                if (i < text.size() && text[i] == '\n') {
                    ++line;
                }
            }
        } else if (c == '{') {
            if (++depth > MAX_NESTING) {
                return atLine("nodes nested more than", MAX_NESTING, "levels deep", line);
            }
        } else if (c == '}' && depth > 0) {
            --depth;
        }
    }
    return std::nullopt;
}

}  // namespace coin_reading
