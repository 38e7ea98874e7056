#include "library/model_text.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "library/formatted_number.h"
#include "library/vrml_words.h"

namespace {

// The longest word "%99s" stores.
constexpr size_t WORD_MAX = TOKEN_MAX - 1;
// How much text one keyword search call looks through.
constexpr size_t SEARCH_STEP = size_t{1} << 12;

}  // namespace

size_t PageRelease::releaseRange(size_t begin, size_t end) const {
    if (!text.mapping) {
        return begin;
    }
    static const size_t page = static_cast<size_t>(::sysconf(_SC_PAGESIZE));
    const size_t first = (begin + page - 1) / page * page;
    const size_t last = std::min(end, text.bytes.size()) / page * page;
    if (first >= last) {
        return begin;
    }
    ::madvise(static_cast<char*>(text.mapping) + first, last - first, MADV_DONTNEED);
    return last;
}

void TextCursor::skipSpace() {
    const char* b = text.bytes.data();
    const size_t n = text.bytes.size();
    size_t i = pos;
    while (i < n && isSpaceC(b[i])) {
        ++i;
    }
    pos = i;
}

bool TextCursor::readWord(std::string_view& word) {
    skipSpace();
    if (atEnd()) {
        eof = true;
        return false;
    }
    const size_t n = text.bytes.size();
    const size_t start = pos;
    const size_t limit = std::min(n, start + WORD_MAX);
    while (pos < limit && !isSpaceC(text.bytes[pos])) {
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

bool TextCursor::advance(const Scan& scan) {
    eof = eof || scan.metEnd;
    pos += scan.converted ? scan.length : 0;
    return scan.converted;
}

bool TextCursor::readDouble(double& value) {
    skipSpace();
    return advance(scanDouble(rest(), value));
}

bool TextCursor::readInt(int32_t& value) {
    skipSpace();
    return advance(scanInt(rest(), value));
}

bool TextCursor::readPlainIndexWord(int32_t& value) {
    // Skipping the whitespace in front of a word changes nothing for the readWord that follows
    // when the word is declined.
    skipSpace();
    return advance(scanPlainIndexWord(rest(), WORD_MAX, value));
}

bool TextCursor::wordStartsAt(size_t at) {
    // A word starts after whitespace, or 99, 198, ... characters into a longer run. The walk back
    // to the start of the run can cross the whole text (one endless word): the pages it passes
    // that were given back before are given back again behind it.
    const char* b = text.bytes.data();
    size_t run = at;
    for (;;) {
        const size_t stop = run > PageRelease::STEP ? run - PageRelease::STEP : 0;
        const size_t chunkEnd = run;
        while (run > stop && !isSpaceC(b[run - 1])) {
            --run;
        }
        if (run > stop || run == 0) {
            break;
        }
        pages.lookedBack(run, chunkEnd);
    }
    return (at - run) % WORD_MAX == 0;
}

namespace {

// The length of the word at `at` that equals keyword or, when given, the longer otherKeyword
// (which extends keyword); 0 when the text there is not followed by whitespace or the end.
size_t keywordLength(std::string_view text, size_t at, std::string_view keyword,
                     std::string_view otherKeyword) {
    auto endsWord = [&](size_t end) { return end == text.size() || isSpaceC(text[end]); };
    if (endsWord(at + keyword.size())) {
        return keyword.size();
    }
    if (otherKeyword.size() > keyword.size() && text.size() - at >= otherKeyword.size() &&
        text.compare(at, otherKeyword.size(), otherKeyword) == 0 &&
        endsWord(at + otherKeyword.size())) {
        return otherKeyword.size();
    }
    return 0;
}

}  // namespace

bool TextCursor::findKeyword(bool skipFirstWord, std::string_view keyword,
                             std::string_view otherKeyword) {
    // Searching the text for the keyword's bytes is much faster than cutting every word. A hit
    // counts only where the word reader would produce exactly that word.
    const char* b = text.bytes.data();
    const size_t n = text.bytes.size();
    pos = 0;
    skipSpace();
    const size_t firstWord = pos;
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
            const size_t length = keywordLength(text.bytes, at, keyword, otherKeyword);
            if (length > 0 && !(skipFirstWord && at == firstWord) && wordStartsAt(at)) {
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
