#include "library/model_text.h"

#include <locale.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include "library/vrml_words.h"

namespace {

// The longest word "%99s" stores.
constexpr size_t WORD_MAX = TOKEN_MAX - 1;
// How far a reader moves before the pages behind it are given back.
constexpr size_t RELEASE_STEP = size_t{1} << 20;
// How much text one keyword search call looks through.
constexpr size_t SEARCH_STEP = size_t{1} << 12;

// isspace in the C locale.
bool isSpace(unsigned char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}
bool isDigit(unsigned char c) {
    return c >= '0' && c <= '9';
}
bool isHexDigit(unsigned char c) {
    return isDigit(c) || ((c | 0x20) >= 'a' && (c | 0x20) <= 'f');
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

// Powers of ten that a double holds exactly.
constexpr double EXACT_POWERS[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                   1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

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

}  // namespace

size_t ModelText::release(size_t begin, size_t end) const {
    if (!mapping) {
        return begin;
    }
    static const size_t page = static_cast<size_t>(::sysconf(_SC_PAGESIZE));
    const size_t first = (begin + page - 1) / page * page;
    const size_t last = std::min(end, bytes.size()) / page * page;
    if (first >= last) {
        return begin;
    }
    ::madvise(static_cast<char*>(mapping) + first, last - first, MADV_DONTNEED);
    return last;
}

TextCursor::TextCursor(const ModelText& text)
    : text(text), releaseMark(text.mapping ? RELEASE_STEP : std::numeric_limits<size_t>::max()) {}

void TextCursor::releaseNow() {
    released = text.release(released, pos);
    releaseMark = pos + RELEASE_STEP;
}

bool TextCursor::readWord(std::string_view& word) {
    const char* b = text.bytes.data();
    const size_t n = text.bytes.size();
    while (pos < n && isSpace(b[pos])) {
        ++pos;
    }
    if (pos == n) {
        eof = true;
        return false;
    }
    const size_t start = pos;
    const size_t limit = std::min(n, start + WORD_MAX);
    while (pos < limit && !isSpace(b[pos])) {
        ++pos;
    }
    // A full 99-character word is stored without looking at the next character.
    if (pos == n && pos - start < WORD_MAX) {
        eof = true;
    }
    word = text.bytes.substr(start, pos - start);
    return true;
}

bool TextCursor::readChar() {
    if (atEnd()) {
        eof = true;
        return false;
    }
    ++pos;
    return true;
}

void TextCursor::skipComma() {
    if (atEnd()) {
        eof = true;
    } else if (text.bytes[pos] == ',') {
        ++pos;
    }
}

namespace {

// The value of a decimal mantissa times 10^scale when that is exact to compute: both operands are
// then exact doubles, so the one rounding of the product or quotient is the correctly rounded
// result that strtod gives too.
bool exactDecimal(uint64_t mantissa, int digits, int scale, bool negative, double& value) {
    if (digits > 19 || mantissa > (uint64_t{1} << 53) || scale < -22 || scale > 22) {
        return false;
    }
    const double m = static_cast<double>(mantissa);
    const double d = scale < 0 ? m / EXACT_POWERS[-scale] : m * EXACT_POWERS[scale];
    value = negative ? -d : d;
    return true;
}

}  // namespace

bool TextCursor::readDouble(double& value) {
    const char* b = text.bytes.data();
    const size_t n = text.bytes.size();
    while (pos < n && isSpace(b[pos])) {
        ++pos;
    }
    return readPlainDecimal(value) || readAnyNumber(value);
}

bool TextCursor::readPlainDecimal(double& value) {
    // The common shape: [sign] digits [. digits], not followed by an exponent or an 'x', with at
    // most 19 digits. Anything else is left to the general reading, from the same position.
    const char* b = text.bytes.data();
    const size_t n = text.bytes.size();
    size_t i = pos;
    bool negative = false;
    if (i < n && (b[i] == '-' || b[i] == '+')) {
        negative = b[i] == '-';
        ++i;
    }
    uint64_t mantissa = 0;
    const size_t digitsStart = i;
    while (i < n && isDigit(b[i])) {
        mantissa = mantissa * 10 + static_cast<unsigned char>(b[i] - '0');
        ++i;
    }
    int digits = static_cast<int>(i - digitsStart);
    int fractionDigits = 0;
    if (i < n && b[i] == '.') {
        ++i;
        const size_t fractionStart = i;
        while (i < n && isDigit(b[i])) {
            mantissa = mantissa * 10 + static_cast<unsigned char>(b[i] - '0');
            ++i;
        }
        fractionDigits = static_cast<int>(i - fractionStart);
        digits += fractionDigits;
    }
    if (digits == 0 || (i < n && (lower(b[i]) == 'e' || lower(b[i]) == 'x')) ||
        !exactDecimal(mantissa, digits, -fractionDigits, negative, value)) {
        return false;
    }
    pos = i;
    eof = eof || i == n;
    return true;
}

bool TextCursor::readAnyNumber(double& value) {
    const char* b = text.bytes.data();
    const size_t n = text.bytes.size();
    // Every character is looked at through `next`, which sets the end-of-file indicator the way
    // a stream read at the end would.
    auto next = [&](unsigned char& c) {
        if (pos >= n) {
            eof = true;
            return false;
        }
        c = static_cast<unsigned char>(b[pos]);
        return true;
    };
    auto expectLetters = [&](const char* letters) {
        for (; *letters; ++letters) {
            unsigned char c;
            if (!next(c) || lower(c) != *letters) {
                return false;
            }
            ++pos;
        }
        return true;
    };

    const size_t start = pos;
    unsigned char c;
    if (!next(c)) {
        return false;
    }
    bool negative = false;
    size_t signLength = 0;
    if (c == '-' || c == '+') {
        negative = c == '-';
        signLength = 1;
        ++pos;
        if (!next(c)) {
            return false;
        }
    }

    // "nan" and "inf"/"infinity", any letter case; "infi" that is not "infinity" fails whole.
    if (lower(c) == 'n') {
        if (!expectLetters("nan")) {
            return false;
        }
        return convertWithStrtod(text.bytes.substr(start, pos - start), value);
    }
    if (lower(c) == 'i') {
        if (!expectLetters("inf")) {
            return false;
        }
        if (next(c) && lower(c) == 'i' && !expectLetters("inity")) {
            return false;
        }
        return convertWithStrtod(text.bytes.substr(start, pos - start), value);
    }

    bool hex = false;
    bool gotDigit = false;
    bool gotDot = false;
    bool gotExponent = false;
    // The decimal shape is converted on the way when it is small enough to be exact.
    uint64_t mantissa = 0;
    int digits = 0;
    int fractionDigits = 0;
    bool exponentNegative = false;
    int exponent = 0;

    if (c == '0') {
        ++pos;
        if (next(c) && lower(c) == 'x') {
            ++pos;
            hex = true;
        } else {
            gotDigit = true;
            digits = 1;
        }
    }
    const unsigned char exponentChar = hex ? 'p' : 'e';
    while (next(c)) {
        if (isDigit(c)) {
            gotDigit = true;
            if (gotExponent) {
                exponent = std::min(exponent * 10 + (c - '0'), 100000);
            } else {
                mantissa = mantissa * 10 + (c - '0');  // wraps only past 19 digits: not used then
                ++digits;
                fractionDigits += gotDot ? 1 : 0;
            }
        } else if (!gotExponent && hex && isHexDigit(c)) {
            gotDigit = true;
        } else if (gotExponent && lower(static_cast<unsigned char>(b[pos - 1])) == exponentChar &&
                   (c == '-' || c == '+')) {
            exponentNegative = c == '-';
        } else if (gotDigit && !gotExponent && lower(c) == exponentChar) {
            gotExponent = gotDot = true;
        } else if (!gotDot && c == '.') {
            gotDot = true;
        } else {
            break;  // pushed back: not part of the number
        }
        ++pos;
    }

    const size_t length = pos - start;
    if (length == signLength || (hex && length == 2 + signLength)) {
        return false;
    }
    const std::string_view chars = text.bytes.substr(start, length);
    if (hex) {
        return convertWithStrtod(chars, value);
    }
    if (!gotDigit) {
        return false;  // "." or "-.": strtod converts nothing
    }
    const int scale = (exponentNegative ? -exponent : exponent) - fractionDigits;
    if (exactDecimal(mantissa, digits, scale, negative, value)) {
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

bool TextCursor::readInt(int32_t& value) {
    const char* b = text.bytes.data();
    const size_t n = text.bytes.size();
    while (pos < n && isSpace(b[pos])) {
        ++pos;
    }
    if (pos == n) {
        eof = true;
        return false;
    }
    bool negative = false;
    if (b[pos] == '-' || b[pos] == '+') {
        negative = b[pos] == '-';
        ++pos;
    }
    if (pos == n) {
        eof = true;
        return false;
    }
    if (!isDigit(b[pos])) {
        return false;
    }
    IntegerDigits digits;
    while (pos < n && isDigit(b[pos])) {
        digits.add(b[pos]);
        ++pos;
    }
    if (pos == n) {
        eof = true;
    }
    value = digits.toInt(negative);
    return true;
}

bool TextCursor::readPlainIndexWord(int32_t& value) {
    const char* b = text.bytes.data();
    const size_t n = text.bytes.size();
    size_t i = pos;
    while (i < n && isSpace(b[i])) {
        ++i;
    }
    const size_t start = i;
    const bool negative = i < n && b[i] == '-';
    i += negative ? 1 : 0;
    int32_t magnitude = 0;
    const size_t digitsStart = i;
    while (i < n && isDigit(b[i]) && i - digitsStart < 9) {
        magnitude = magnitude * 10 + (b[i] - '0');
        ++i;
    }
    if (i == digitsStart || (i < n && isDigit(b[i]))) {
        return false;
    }
    while (i < n && b[i] == ',') {
        ++i;
    }
    if ((i < n && !isSpace(b[i])) || i - start >= WORD_MAX) {
        return false;
    }
    pos = i;
    eof = eof || i == n;
    value = negative ? -magnitude : magnitude;
    return true;
}

bool TextCursor::findKeyword(bool skipFirstWord, std::string_view keyword,
                             std::string_view otherKeyword) {
    // Searching the text for the keyword's bytes is much faster than cutting every word. A hit
    // counts only where the word reader would produce exactly that word: it ends at whitespace
    // or at the end, and it starts where a word starts, which is after whitespace or 99, 198, ...
    // characters into a longer run. otherKeyword, when given, extends keyword.
    const char* b = text.bytes.data();
    const size_t n = text.bytes.size();
    size_t firstWord = 0;
    while (firstWord < n && isSpace(b[firstWord])) {
        ++firstWord;
    }
    auto endsWord = [&](size_t end) { return end == n || isSpace(b[end]); };
    auto matchLength = [&](size_t at) -> size_t {
        const size_t end = at + keyword.size();
        if (endsWord(end)) {
            return keyword.size();
        }
        if (otherKeyword.size() > keyword.size() && n - at >= otherKeyword.size() &&
            text.bytes.compare(at, otherKeyword.size(), otherKeyword) == 0 &&
            endsWord(at + otherKeyword.size())) {
            return otherKeyword.size();
        }
        return 0;
    };
    auto startsWord = [&](size_t at) {
        // The walk back to the start of the run can cross the whole text (one endless word):
        // the pages it passes that were given back before are given back again behind it.
        size_t run = at;
        for (;;) {
            const size_t stop = run > RELEASE_STEP ? run - RELEASE_STEP : 0;
            const size_t chunkEnd = run;
            while (run > stop && !isSpace(b[run - 1])) {
                --run;
            }
            if (run > stop || run == 0) {
                break;
            }
            if (chunkEnd <= released) {
                text.release(run, chunkEnd);
            }
        }
        return (at - run) % WORD_MAX == 0 && !(skipFirstWord && at == firstWord);
    };

    size_t from = 0;
    while (from < n) {
        // Searched in short windows: the pages behind are given back on the way even when hits
        // that are not words come thick and fast (one endless word of keywords), and no search
        // call is handed more text than it needs (a checked build checks all of it every call).
        const size_t windowEnd = std::min(n, from + SEARCH_STEP);
        const size_t searchEnd = std::min(n, windowEnd + keyword.size() - 1);
        const void* hit = ::memmem(b + from, searchEnd - from, keyword.data(), keyword.size());
        if (!hit) {
            from = windowEnd;
        } else {
            const size_t at = static_cast<const char*>(hit) - b;
            const size_t length = matchLength(at);
            if (length > 0 && startsWord(at)) {
                pos = at + length;
                eof = pos == n;
                return !eof;
            }
            from = at + 1;
        }
        pos = from;
        releaseBehind();
    }
    pos = n;
    eof = true;
    return false;
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
    if (i >= n || !isDigit(word[i])) {
        return false;
    }
    IntegerDigits digits;
    for (; i < n; ++i) {
        if (isDigit(word[i])) {
            digits.add(word[i]);
        } else if (word[i] != ',') {
            break;
        }
    }
    value = digits.toInt(negative);
    return true;
}
