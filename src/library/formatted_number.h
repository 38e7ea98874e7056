#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string_view>

// The C formatted-input conversions that the model reader uses ("%lf", "%d" and the coordIndex
// word conversion), in the C locale, as pure functions over the text that follows a read
// position. Each returns how far the read goes, whether it converted, and whether it looked for
// a character past the end of the text: that is where a stream read sets its end-of-file
// indicator. The fast paths take the shapes that model files are made of and decline everything
// else; the general readings are exact for any text. Both must give the bits strtod and strtol
// give, which the differential tests check against the C library itself.

struct Scan {
    size_t length = 0;  // characters the read takes (when it converted)
    bool converted = false;
    bool metEnd = false;  // the read looked past the end of the text
};

// isspace in the C locale.
inline bool isSpaceC(unsigned char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}
inline bool isDigitC(unsigned char c) {
    return c >= '0' && c <= '9';
}

// The length of an optional '+' or '-' at the start of the text (0 or 1); negative tells which.
inline size_t signLength(std::string_view text, bool& negative) {
    const bool sign = !text.empty() && (text[0] == '-' || text[0] == '+');
    negative = sign && text[0] == '-';
    return sign ? 1 : 0;
}

// A decimal mantissa times 10^scale, when both operands are exact doubles: then the one rounding
// of the product or quotient is the correctly rounded result that strtod gives too. False (value
// untouched) otherwise.
inline bool exactDecimal(uint64_t mantissa, int digits, int scale, bool negative, double& value) {
    static constexpr double exactPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                             1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                             1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    if (digits > 19 || mantissa > (uint64_t{1} << 53) || scale < -22 || scale > 22) {
        return false;
    }
    const double m = static_cast<double>(mantissa);
    const double d = scale < 0 ? m / exactPowers[-scale] : m * exactPowers[scale];
    value = negative ? -d : d;
    return true;
}

// "%lf", fast path: [sign] digits [. digits] with at most 19 digits, exactly representable as
// above, and not followed by an exponent or an 'x' (which would make it another shape). Declines
// (converted false) everything else; scanDouble then reads the same text the general way.
inline Scan scanPlainDecimal(std::string_view text, double& value) {
    const char* b = text.data();
    const size_t n = text.size();
    bool negative = false;
    size_t i = signLength(text, negative);
    uint64_t mantissa = 0;
    const size_t digitsStart = i;
    for (; i < n && isDigitC(b[i]); ++i) {
        mantissa = mantissa * 10 + static_cast<unsigned char>(b[i] - '0');
    }
    int digits = static_cast<int>(i - digitsStart);
    int fractionDigits = 0;
    if (i < n && b[i] == '.') {
        const size_t fractionStart = ++i;
        for (; i < n && isDigitC(b[i]); ++i) {
            mantissa = mantissa * 10 + static_cast<unsigned char>(b[i] - '0');
        }
        fractionDigits = static_cast<int>(i - fractionStart);
        digits += fractionDigits;
    }
    const unsigned char after = i < n ? static_cast<unsigned char>(b[i] | 0x20) : 0;
    if (digits == 0 || after == 'e' || after == 'x' ||
        !exactDecimal(mantissa, digits, -fractionDigits, negative, value)) {
        return {};
    }
    return {i, true, i == n};
}

// "%lf", general reading: decimal and hexadecimal numbers with any number of digits and any
// exponent, "inf", "infinity" and "nan" in any letter case, and every partial form the formatted
// read takes or refuses.
Scan scanAnyDouble(std::string_view text, double& value);

// "%lf" on the text after the skipped whitespace.
inline Scan scanDouble(std::string_view text, double& value) {
    const Scan plain = scanPlainDecimal(text, value);
    return plain.converted ? plain : scanAnyDouble(text, value);
}

// The digits of an integer as strtol takes them: the magnitude saturates beyond the range of
// long. Up to 18 digits always fit, so they need no check.
struct IntegerDigits {
    uint64_t magnitude = 0;
    int count = 0;
    bool overflow = false;

    void add(unsigned char c) {
        const unsigned digit = c - '0';
        if (++count <= 18) {
            magnitude = magnitude * 10 + digit;
        } else if (overflow || magnitude > (std::numeric_limits<uint64_t>::max() - digit) / 10) {
            overflow = true;
        } else {
            magnitude = magnitude * 10 + digit;
        }
    }

    // strtol's clamping to long, then the store through an int pointer keeps the low 32 bits.
    int32_t toInt(bool negative) const {
        constexpr uint64_t longMax = static_cast<uint64_t>(std::numeric_limits<long>::max());
        long value;
        if (negative) {
            value = (overflow || magnitude > longMax + 1) ? std::numeric_limits<long>::min()
                                                          : static_cast<long>(0 - magnitude);
        } else {
            value = (overflow || magnitude > longMax) ? std::numeric_limits<long>::max()
                                                      : static_cast<long>(magnitude);
        }
        return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(value)));
    }
};

// "%d" on the text after the skipped whitespace: an optionally signed decimal integer.
inline Scan scanInt(std::string_view text, int32_t& value) {
    const char* b = text.data();
    const size_t n = text.size();
    bool negative = false;
    size_t i = signLength(text, negative);
    if (i == n || !isDigitC(b[i])) {
        return {0, false, i == n};
    }
    IntegerDigits digits;
    for (; i < n && isDigitC(b[i]); ++i) {
        digits.add(b[i]);
    }
    value = digits.toInt(negative);
    return {i, true, i == n};
}

// The common coordIndex word, converted in one step, on the text where the word starts: an
// optional '-', at most nine digits and any commas, ending at whitespace or the end of the text,
// and shorter than the longest word. Exactly what cutting the word and wordToIntWithoutCommas
// would give for it; declines any other word.
inline Scan scanPlainIndexWord(std::string_view text, size_t longestWord, int32_t& value) {
    const size_t n = text.size();
    size_t i = 0;
    const bool negative = i < n && text[i] == '-';
    i += negative ? 1 : 0;
    int32_t magnitude = 0;
    const size_t digitsStart = i;
    for (; i < n && isDigitC(text[i]) && i - digitsStart < 9; ++i) {
        magnitude = magnitude * 10 + (text[i] - '0');
    }
    if (i == digitsStart || (i < n && isDigitC(text[i]))) {
        return {};
    }
    while (i < n && text[i] == ',') {
        ++i;
    }
    if ((i < n && !isSpaceC(text[i])) || i >= longestWord) {
        return {};
    }
    value = negative ? -magnitude : magnitude;
    return {i, true, i == n};
}

// The coordIndex word conversion: the word with every ',' removed, converted like "%d" up to its
// first NUL byte. False when it does not start with an integer.
bool wordToIntWithoutCommas(std::string_view word, int32_t& value);
