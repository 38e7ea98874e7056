#include "scenefile/scene_format.h"

#include <algorithm>
#include <cmath>

#include "scenefile/number_format.h"

namespace {

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// Why a read stopped: the text ended where a token was due, or the token there was no number of
// the kind wanted.
enum class Fault { None, EndsEarly, BadNumber, BadAngle };

// Splits the text into white-space separated words, one at a time. A failed read remembers its
// fault and the offset of the word at fault (the end of the text when it ended).
struct Tokens {
    std::string_view text;
    size_t at = 0;
    Fault fault = Fault::None;
    size_t faultAt = 0;

    bool fail(Fault why, std::optional<std::string_view> word) {
        fault = word ? why : Fault::EndsEarly;
        faultAt = word ? static_cast<size_t>(word->data() - text.data()) : text.size();
        return false;
    }

    void skipSpace() {
        while (at < text.size() && isSpace(text[at])) {
            ++at;
        }
    }

    std::optional<std::string_view> next() {
        skipSpace();
        if (at == text.size()) {
            return std::nullopt;
        }
        const size_t start = at;
        while (at < text.size() && !isSpace(text[at])) {
            ++at;
        }
        return text.substr(start, at - start);
    }

    bool nextFloat(float& target) {
        const auto word = next();
        const auto value = word ? parseFloat(*word) : std::nullopt;
        if (!value) {
            return fail(Fault::BadNumber, word);
        }
        target = *value;
        return true;
    }

    bool nextMatrix(Matrix4& target) {
        for (float& element : target) {
            if (!nextFloat(element)) {
                return false;
            }
        }
        return true;
    }

    bool nextAngle(int32_t& target) {
        const auto word = next();
        const auto value = word ? parseInt(*word) : std::nullopt;
        if (!value) {
            return fail(Fault::BadAngle, word);
        }
        target = *value % 360;
        return true;
    }
};

void put(std::string& out, const std::string& token) {
    out += token;
    out += ' ';
}

void putMatrix(std::string& out, const Matrix4& m) {
    for (float element : m) {
        put(out, formatFloat(element));
    }
}

bool finite(const Matrix4& m) {
    for (float element : m) {
        if (!std::isfinite(element)) {
            return false;
        }
    }
    return true;
}

struct LibraryName {
    std::string_view name;
    int index;
};

// The library's names that hold white space, longest first (the first of equal names first).
std::vector<LibraryName> namesWithSpaces(std::span<const std::string> libraryNames) {
    std::vector<LibraryName> spaced;
    for (size_t i = 0; i < libraryNames.size(); ++i) {
        const std::string& name = libraryNames[i];
        if (std::any_of(name.begin(), name.end(), isSpace)) {
            spaced.push_back({name, static_cast<int>(i)});
        }
    }
    std::stable_sort(spaced.begin(), spaced.end(), [](const LibraryName& a, const LibraryName& b) {
        return a.name.size() > b.name.size();
    });
    return spaced;
}

// Where a record whose name stood in the text went wrong in its numbers; the first such record
// that was tried counts.
void keepFirstBreak(std::optional<Tokens>& broken, const Tokens& attempt) {
    if (!broken) {
        broken = attempt;
    }
}

// A record whose name is one word of the library, followed by 16 numbers. `tokens` moves past it
// only when it is one.
bool readRecord(Tokens& tokens, std::span<const std::string> libraryNames, ObjectRecord& record,
                std::optional<Tokens>& broken) {
    Tokens after = tokens;
    const auto word = after.next();
    if (!word) {
        return false;
    }
    const auto match = std::find(libraryNames.begin(), libraryNames.end(), *word);
    if (match == libraryNames.end()) {
        return false;
    }
    if (!after.nextMatrix(record.transform)) {
        keepFirstBreak(broken, after);
        return false;
    }
    record.name = std::string(*word);
    record.modelIndex = static_cast<int>(match - libraryNames.begin());
    tokens = after;
    return true;
}

// Names are written as they are, so one that holds white space spans several words: the record
// is the longest such library name that stands in the text here, followed by 16 numbers. White
// space that leads the name lies before the word the record starts with.
bool readRecordWithSpacedName(Tokens& tokens, std::span<const LibraryName> spaced,
                              ObjectRecord& record, std::optional<Tokens>& broken) {
    const std::string_view text = tokens.text;
    for (const LibraryName& candidate : spaced) {
        const std::string_view name = candidate.name;
        const size_t leading = std::find_if_not(name.begin(), name.end(), isSpace) - name.begin();
        if (leading > tokens.at) {
            continue;
        }
        const size_t start = tokens.at - leading;
        const size_t end = start + name.size();
        if ((start > 0 && !isSpace(text[start - 1])) || text.substr(start, name.size()) != name ||
            end >= text.size() || !isSpace(text[end])) {
            continue;
        }
        Tokens after{text, end};
        ObjectRecord read;
        if (after.nextMatrix(read.transform)) {
            read.name = std::string(name);
            read.modelIndex = candidate.index;
            record = std::move(read);
            tokens = after;
            return true;
        }
        keepFirstBreak(broken, after);
    }
    return false;
}

// The line (from 1) that holds offset `at`. The end of the text counts as the line of its last
// word, so that trailing line breaks do not move it past the line that ends early.
size_t lineAt(std::string_view text, size_t at, Fault fault) {
    if (fault == Fault::EndsEarly) {
        while (at > 0 && isSpace(text[at - 1])) {
            --at;
        }
    }
    return 1 + static_cast<size_t>(std::count(text.begin(), text.begin() + at, '\n'));
}

std::string describeFault(const Tokens& tokens) {
    const std::string line = std::to_string(lineAt(tokens.text, tokens.faultAt, tokens.fault));
    switch (tokens.fault) {
        case Fault::BadNumber:
            return "not a scene file: bad number in line " + line;
        case Fault::BadAngle:
            return "not a scene file: bad angle in line " + line;
        default:
            return "not a scene file: line " + line + " ends early";
    }
}

// A name as the status line can show it: at most MAX_SHOWN_NAME bytes (cut at a character
// boundary, "..." marking the cut), control characters as '?'.
constexpr size_t MAX_SHOWN_NAME = 20;
std::string shownName(std::string_view name) {
    std::string shown;
    size_t keep = name.size();
    if (keep > MAX_SHOWN_NAME) {
        keep = MAX_SHOWN_NAME - 3;
        while (keep > 0 && (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80) {
            --keep;
        }
    }
    for (size_t i = 0; i < keep; ++i) {
        const unsigned char c = static_cast<unsigned char>(name[i]);
        shown += (c < 0x20 || c == 0x7F) ? '?' : name[i];
    }
    return keep < name.size() ? shown + "..." : shown;
}

}  // namespace

bool SceneFileContent::allFinite() const {
    for (const ViewState& v : views) {
        if (!finite(v.projection) || !finite(v.modelview) || !std::isfinite(v.eye.x) ||
            !std::isfinite(v.eye.y) || !std::isfinite(v.eye.z) || !std::isfinite(v.panX) ||
            !std::isfinite(v.panY) || !std::isfinite(v.zoom)) {
            return false;
        }
    }
    for (const ObjectRecord& o : objects) {
        if (!finite(o.transform)) {
            return false;
        }
    }
    return true;
}

std::string formatSceneFile(const SceneFileContent& content) {
    std::string out;
    out.reserve(4 * 40 * 12 + content.objects.size() * 17 * 12);
    for (const ViewState& v : content.views) {
        putMatrix(out, v.projection);
        putMatrix(out, v.modelview);
        put(out, formatFloat(v.eye.x));
        put(out, formatFloat(v.eye.y));
        put(out, formatFloat(v.eye.z));
        put(out, formatFloat(v.panX));
        put(out, formatFloat(v.panY));
        put(out, formatInt(v.rotX));
        put(out, formatInt(v.rotY));
        put(out, formatFloat(v.zoom));
        out += '\n';
    }
    for (const ObjectRecord& o : content.objects) {
        put(out, o.name);
        putMatrix(out, o.transform);
    }
    return out;
}

std::optional<SceneFileContent> parseSceneFile(std::string_view text,
                                               std::span<const std::string> libraryNames) {
    std::string ignored;
    return parseSceneFile(text, libraryNames, ignored);
}

std::optional<SceneFileContent> parseSceneFile(std::string_view text,
                                               std::span<const std::string> libraryNames,
                                               std::string& refusal) {
    refusal.clear();
    Tokens tokens{text, 0};
    tokens.skipSpace();
    if (tokens.at == text.size()) {
        refusal = "not a scene file: it is empty";
        return std::nullopt;
    }
    SceneFileContent content;
    for (ViewState& v : content.views) {
        if (!tokens.nextMatrix(v.projection) || !tokens.nextMatrix(v.modelview) ||
            !tokens.nextFloat(v.eye.x) || !tokens.nextFloat(v.eye.y) ||
            !tokens.nextFloat(v.eye.z) || !tokens.nextFloat(v.panX) || !tokens.nextFloat(v.panY) ||
            !tokens.nextAngle(v.rotX) || !tokens.nextAngle(v.rotY) || !tokens.nextFloat(v.zoom)) {
            refusal = describeFault(tokens);
            return std::nullopt;
        }
    }
    const auto spaced = namesWithSpaces(libraryNames);
    for (tokens.skipSpace(); tokens.at < text.size(); tokens.skipSpace()) {
        ObjectRecord record;
        std::optional<Tokens> broken;
        if (!readRecord(tokens, libraryNames, record, broken) &&
            !readRecordWithSpacedName(tokens, spaced, record, broken)) {
            Tokens name = tokens;
            refusal = broken
                          ? describeFault(*broken)
                          : "no model '" + shownName(name.next().value_or("")) + "' in VRMLmodels";
            return std::nullopt;
        }
        content.objects.push_back(std::move(record));
    }
    return content;
}
