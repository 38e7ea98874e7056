#include "library/formatted_number.h"

#include <locale.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

bool isHexDigit(unsigned char c) {
    return isDigitC(c) || ((c | 0x20) >= 'a' && (c | 0x20) <= 'f');
}
unsigned char lower(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? c | 0x20 : c;
}

// strtod in the C locale on a bounded copy of the characters the formatted read collected;
// false when it converts nothing (as for "." or "-.").
bool convertWithStrtod(std::string_view chars, double& value) {
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t{});
    char small[64];
    std::string large;
    const char* start = small;
    if (chars.size() < sizeof small) {
        std::memcpy(small, chars.data(), chars.size());
        small[chars.size()] = '\0';
    } else {
        large.assign(chars);
        start = large.c_str();
    }
    char* end = nullptr;
    const double d = strtod_l(start, &end, cLocale);
    if (end == start) {
        return false;
    }
    value = d;
    return true;
}

// The characters of one formatted read, looked at one by one the way a stream gives them: a look
// past the end is noted, as the stream's end-of-file indicator would be set.
struct CharReader {
    std::string_view text;
    size_t pos = 0;
    bool metEnd = false;

    bool peek(unsigned char& c) {
        if (pos >= text.size()) {
            metEnd = true;
            return false;
        }
        c = static_cast<unsigned char>(text[pos]);
        return true;
    }
    // Takes `letters` (given in lower case) in any letter case; false at the first that differs.
    bool take(const char* letters) {
        for (unsigned char c; *letters; ++letters, ++pos) {
            if (!peek(c) || lower(c) != static_cast<unsigned char>(*letters)) {
                return false;
            }
        }
        return true;
    }
    Scan finish(bool converted) const { return {pos, converted, metEnd}; }
};

// "nan", or "inf" with an optional "inity"; "infi" that is not "infinity" fails whole.
bool takeNamedValue(CharReader& in, bool infinity) {
    if (!infinity) {
        return in.take("nan");
    }
    unsigned char c;
    return in.take("inf") && (!(in.peek(c) && lower(c) == 'i') || in.take("inity"));
}

// What the formatted read took of a decimal or hexadecimal number. The decimal shape is
// collected on the way so that it can be converted without the C library when that is exact.
struct NumberShape {
    bool hex = false;
    bool gotDigit = false;
    bool gotDot = false;
    bool gotExponent = false;
    bool exponentNegative = false;
    uint64_t mantissa = 0;  // wraps only past 19 digits, where it is not used
    int digits = 0;
    int fractionDigits = 0;
    int exponent = 0;  // saturates far beyond any exponent a double can take
};

// Takes the characters the formatted read takes for a number after its sign: an optional "0x",
// then digits, one point and one exponent with its own sign, each only where it may stand. The
// first character that may not stand where it is ends the number (the stream pushes it back).
void takeNumberBody(CharReader& in, NumberShape& shape) {
    unsigned char c;
    if (in.peek(c) && c == '0') {
        ++in.pos;
        if (in.peek(c) && lower(c) == 'x') {
            ++in.pos;
            shape.hex = true;
        } else {
            shape.gotDigit = true;
            shape.digits = 1;
        }
    }
    const unsigned char exponentChar = shape.hex ? 'p' : 'e';
    for (; in.peek(c); ++in.pos) {
        if (isDigitC(c)) {
            shape.gotDigit = true;
            if (shape.gotExponent) {
                shape.exponent = std::min(shape.exponent * 10 + (c - '0'), 100000);
            } else {
                shape.mantissa = shape.mantissa * 10 + (c - '0');
                ++shape.digits;
                shape.fractionDigits += shape.gotDot ? 1 : 0;
            }
        } else if (!shape.gotExponent && shape.hex && isHexDigit(c)) {
            shape.gotDigit = true;
        } else if (shape.gotExponent && lower(in.text[in.pos - 1]) == exponentChar &&
                   (c == '-' || c == '+')) {
            shape.exponentNegative = c == '-';
        } else if (shape.gotDigit && !shape.gotExponent && lower(c) == exponentChar) {
            shape.gotExponent = shape.gotDot = true;
        } else if (!shape.gotDot && c == '.') {
            shape.gotDot = true;
        } else {
            break;
        }
    }
}

// Converts the characters taken for a number: exactly without the C library where the decimal
// shape allows, by from_chars (correctly rounded too) otherwise, and by strtod for what
// from_chars does not take (hexadecimal, and results out of range, where it reports no value).
bool convertNumber(std::string_view chars, const NumberShape& shape, bool negative, double& value) {
    if (shape.hex) {
        return convertWithStrtod(chars, value);
    }
    if (!shape.gotDigit) {
        return false;  // "." or "-.": strtod converts nothing
    }
    const int scale =
        (shape.exponentNegative ? -shape.exponent : shape.exponent) - shape.fractionDigits;
    if (exactDecimal(shape.mantissa, shape.digits, scale, negative, value)) {
        return true;
    }
    // from_chars takes no '+' sign.
    const std::string_view unsignedChars = chars[0] == '+' ? chars.substr(1) : chars;
    double d = 0;
    const auto result =
        std::from_chars(unsignedChars.data(), unsignedChars.data() + unsignedChars.size(), d,
                        std::chars_format::general);
    if (result.ec == std::errc{}) {
        value = d;
        return true;
    }
    return convertWithStrtod(chars, value);
}

}  // namespace

Scan scanAnyDouble(std::string_view text, double& value) {
    CharReader in{text};
    unsigned char c;
    if (!in.peek(c)) {
        return in.finish(false);
    }
    const bool negative = c == '-';
    if (c == '-' || c == '+') {
        ++in.pos;
        if (!in.peek(c)) {
            return in.finish(false);
        }
    }
    const size_t signLength = in.pos;
    if (lower(c) == 'n' || lower(c) == 'i') {
        const bool named = takeNamedValue(in, lower(c) == 'i');
        return in.finish(named && convertWithStrtod(text.substr(0, in.pos), value));
    }
    NumberShape shape;
    takeNumberBody(in, shape);
    if (in.pos == signLength || (shape.hex && in.pos == 2 + signLength)) {
        return in.finish(false);
    }
    return in.finish(convertNumber(text.substr(0, in.pos), shape, negative, value));
}

bool wordToIntWithoutCommas(std::string_view word, int32_t& value) {
    // A NUL byte is neither a digit nor a comma, so the conversion stops there, as it stops at
    // the end of a C string.
    const size_t n = word.size();
    size_t i = 0;
    auto skipCommas = [&] {
        while (i < n && word[i] == ',') {
            ++i;
        }
    };
    skipCommas();
    bool negative = false;
    if (i < n && (word[i] == '-' || word[i] == '+')) {
        negative = word[i] == '-';
        ++i;
        skipCommas();
    }
    if (i >= n || !isDigitC(word[i])) {
        return false;
    }
    IntegerDigits digits;
    for (; i < n; ++i) {
        if (isDigitC(word[i])) {
            digits.add(word[i]);
        } else if (word[i] != ',') {
            break;
        }
    }
    value = digits.toInt(negative);
    return true;
}
