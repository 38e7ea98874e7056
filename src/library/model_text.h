#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

// The model reader works on the whole file held in memory. Reading it reproduces, byte for byte,
// what the C formatted-input conversions ("%99s", "%c", "%lf", "%d" and a literal ',') read from
// a stream in the C locale, including where a number stops, which partial numbers still convert
// and when the stream's end-of-file indicator would be set. The straightforward stream reader in
// the tests is the reference that this must match exactly.

// The bytes of one model file. A mapped file can give back the pages that lie behind a reader
// (`release`); the text stays readable, the pages are simply read again when touched.
struct ModelText {
    std::string_view bytes;
    void* mapping = nullptr;  // start of the file mapping, or null for text that is not mapped

    // Drops the resident pages that lie wholly inside bytes [begin, end); no reader needs them
    // right now. Returns where the released pages end (begin when nothing was released).
    size_t release(size_t begin, size_t end) const;
};

// A read position in a ModelText with the state a stream would have: the position and the
// end-of-file indicator, which is set by a read that meets the end.
struct TextCursor {
    const ModelText& text;
    size_t pos = 0;
    bool eof = false;
    size_t releaseMark;   // the next position at which the pages behind are released
    size_t released = 0;  // the pages before this position have been released

    explicit TextCursor(const ModelText& text);

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

    // The common coordIndex word, read and converted in one step: an optional '-', at most nine
    // digits and any commas, ending at whitespace or the end of the text. Exactly what readWord
    // and wordToIntWithoutCommas would give for it; false (and nothing read) for any other word.
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
    void releaseBehind() {
        if (pos >= releaseMark) {
            releaseNow();
        }
    }

private:
    bool readPlainDecimal(double& value);
    bool readAnyNumber(double& value);
    void releaseNow();
};

// The coordIndex word conversion: the word with every ',' removed, converted like "%d" up to its
// first NUL byte. False when it does not start with an integer.
bool wordToIntWithoutCommas(std::string_view word, int32_t& value);
