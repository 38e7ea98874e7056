#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string_view>

// The model reader works on the whole file held in memory. Reading it reproduces, byte for byte,
// what the C formatted-input conversions ("%99s", "%c", "%lf", "%d" and a literal ',') read from
// a stream in the C locale, including where a number stops, which partial numbers still convert
// and when the stream's end-of-file indicator would be set. The conversions themselves are in
// formatted_number.h; the straightforward stream reader in the tests is the reference that all of
// this must match exactly.

// The bytes of one model file. A mapped file can give back the pages that lie behind a reader;
// the text stays readable, the pages are simply read again when touched.
struct ModelText {
    std::string_view bytes;
    void* mapping = nullptr;  // start of the file mapping, or null for text that is not mapped
};

// Gives the resident pages behind one reader back to the system as it moves through a mapped
// text, so that reading a file costs little more memory than the lists read from it. The only
// place where pages are handed back.
struct PageRelease {
    // How far a reader moves before the pages behind it are given back.
    static constexpr size_t STEP = size_t{1} << 20;

    const ModelText& text;
    size_t released = 0;  // the pages before this position have been given back
    size_t mark;          // the next position at which the pages behind are given back

    explicit PageRelease(const ModelText& source)
        : text(source), mark(source.mapping ? STEP : std::numeric_limits<size_t>::max()) {}

    // The reader stands at `pos`: gives back the pages behind it once it has moved far enough.
    void passed(size_t pos) {
        if (pos >= mark) {
            released = releaseRange(released, pos);
            mark = pos + STEP;
        }
    }
    // The reader has looked again at [begin, end): pages in it that were given back before are
    // given back again.
    void lookedBack(size_t begin, size_t end) const {
        if (end <= released) {
            releaseRange(begin, end);
        }
    }

private:
    // Drops the resident pages that lie wholly inside bytes [begin, end); returns where the
    // released pages end (begin when nothing was released).
    size_t releaseRange(size_t begin, size_t end) const;
};

struct Scan;

// A read position in a ModelText with the state a stream would have: the position and the
// end-of-file indicator, which is set by a read that looks past the end.
struct TextCursor {
    const ModelText& text;
    size_t pos = 0;
    bool eof = false;
    PageRelease pages;

    explicit TextCursor(const ModelText& source) : text(source), pages(source) {}

    bool atEnd() const { return pos >= text.bytes.size(); }

    // "%99s": skips whitespace, then takes up to 99 characters up to the next whitespace.
    // False when no word is left. NUL bytes belong to the word.
    bool readWord(std::string_view& word);

    // "%c": takes any one character. False at the end.
    bool readChar();

    // "%lf": skips whitespace and converts a number exactly as the formatted read does, with the
    // same bits as strtod in the C locale. False when nothing converts.
    bool readDouble(double& value);

    // "%d": skips whitespace and converts an optionally signed decimal integer (the value is
    // strtol's, clamped to the range of long, then cut to int as the formatted read stores it).
    bool readInt(int32_t& value);

    // The common coordIndex word, read and converted in one step (scanPlainIndexWord): exactly
    // what readWord and wordToIntWithoutCommas would give for it; false for any other word,
    // which is then still there to be read.
    bool readPlainIndexWord(int32_t& value);

    // A literal ',' in a format: consumed only when it is the very next character.
    void skipComma();

    // Searches from the start of the text for the first word (as readWord cuts them) that equals
    // `keyword` or `otherKeyword`; with skipFirstWord the file's first word never matches. On
    // success the cursor stands right after that word. False when no word matches, or when the
    // matching word ends the text (the end-of-file indicator is then set).
    bool findKeyword(bool skipFirstWord, std::string_view keyword,
                     std::string_view otherKeyword = {});

    // Gives back the pages behind the cursor once it has moved far enough.
    void releaseBehind() { pages.passed(pos); }

private:
    void skipSpace();
    // Takes what a conversion read and notes whether it looked past the end.
    bool advance(const Scan& scan);
    std::string_view rest() const { return {text.bytes.data() + pos, text.bytes.size() - pos}; }
    bool wordStartsAt(size_t at);
};
