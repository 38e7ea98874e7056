// The VRML subset reader: four independent keyword searches over the model text, each followed by
// a fixed reading pattern. This is deliberately not a VRML parser; model_text.h has the rules
// by which words and numbers are read.
#include "library/vrml_reader.h"

#include <cstring>
#include <string>
#include <vector>

#include "library/formatted_number.h"
#include "library/mapped_file.h"
#include "library/mesh_repair.h"
#include "library/vrml_words.h"

namespace {

// A word of commas alone, which the coordIndex list skips.
bool onlyCommas(std::string_view word) {
    for (const char c : word) {
        if (c != ',') {
            return false;
        }
    }
    return true;
}

// Once the first entries of a list show how many bytes an entry takes, room for the rest is
// reserved in one step, judging the list to end at the next ']'. Doubling the list as it grows
// would copy it several times over freshly zeroed memory; the room reserved and never used is
// not resident. A list that outgrows the estimate simply grows on.
template <typename T>
struct ListGrowth {
    static constexpr size_t SAMPLE = 1024;
    std::vector<T>& list;
    const TextCursor& in;
    size_t startSize = list.size();
    size_t startPos = in.pos;
    bool estimated = false;

    void update() {
        if (estimated || list.size() - startSize < SAMPLE) {
            return;
        }
        estimated = true;
        const std::string_view rest = in.text.bytes.substr(in.pos);
        const void* bracket = std::memchr(rest.data(), ']', rest.size());
        const size_t restBytes =
            bracket ? static_cast<const char*>(bracket) - rest.data() : rest.size();
        const double perByte =
            static_cast<double>(list.size() - startSize) / static_cast<double>(in.pos - startPos);
        list.reserve(list.size() + static_cast<size_t>(restBytes * perByte * 1.02) + SAMPLE);
    }
};

// After the keyword: '{', the field name and '[' are discarded as words, then one character
// ("%c"), then triples "%lf %lf %lf," until one does not convert in full.
void readVectorList(TextCursor& in, std::vector<Vec3d>& list) {
    std::string_view word;
    for (int i = 0; i < 3; ++i) {
        in.readWord(word);
    }
    if (!in.readChar()) {
        return;
    }
    ListGrowth<Vec3d> growth{list, in};
    Vec3d v;
    while (in.readDouble(v.x) && in.readDouble(v.y) && in.readDouble(v.z)) {
        in.skipComma();
        list.push_back(v);
        growth.update();
        in.releaseBehind();
    }
}

// The coordIndex words after the first: lone commas between indices ('0 , 1') leave words that
// are empty without their commas, which are skipped.
bool readNextIndexWord(TextCursor& in, int32_t& value) {
    if (in.readPlainIndexWord(value)) {
        return true;
    }
    std::string_view word;
    bool got = in.readWord(word);
    while (got && onlyCommas(word) && !in.eof) {
        got = in.readWord(word);
    }
    return got && wordToIntWithoutCommas(word, value);
}

void addIndex(int32_t value, std::vector<int32_t>& polygon, std::vector<IndexTriple>& list) {
    if (value == -1) {
        appendFan(polygon, list);
        polygon.clear();
    } else {
        polygon.push_back(value);
    }
}

// Room that was reserved and never used costs address space, not memory, so only a list that
// stopped far short of its room (a broken list, or a bad estimate) is copied into a smaller one.
template <typename T>
void trim(std::vector<T>& list) {
    if (list.capacity() > 2 * list.size() + RESERVE_COUNT) {
        list.shrink_to_fit();
    }
}

}  // namespace

void readPoints(const ModelText& text, std::vector<Vec3d>& list) {
    list.reserve(list.size() + RESERVE_COUNT);
    TextCursor in(text);
    if (in.findKeyword(true, "Coordinate", "Coordinate3")) {
        readVectorList(in, list);
    }
    trim(list);
}

void readNormals(const ModelText& text, std::vector<Vec3d>& list) {
    list.reserve(list.size() + RESERVE_COUNT);
    TextCursor in(text);
    if (in.findKeyword(false, "Normal")) {
        readVectorList(in, list);
    }
    trim(list);
}

void readCoordIndex(const ModelText& text, std::vector<IndexTriple>& list) {
    list.reserve(list.size() + RESERVE_COUNT);
    TextCursor in(text);
    if (in.findKeyword(false, "coordIndex")) {
        std::string_view word;
        in.readWord(word);  // '['
        std::vector<int32_t> polygon;
        int32_t value = 0;
        ListGrowth<IndexTriple> growth{list, in};
        // The first word is converted as it is: a word of commas alone ends the list here.
        bool more = in.readWord(word) && wordToIntWithoutCommas(word, value);
        while (more) {
            addIndex(value, polygon, list);
            growth.update();
            in.releaseBehind();
            more = readNextIndexWord(in, value);
        }
        // Indices left in the polygon (no closing -1) are dropped.
    }
    trim(list);
}

void readNormalIndex(const ModelText& text, std::vector<IndexTriple>& list) {
    list.reserve(list.size() + RESERVE_COUNT);
    TextCursor in(text);
    if (in.findKeyword(false, "normalIndex")) {
        std::string_view word;
        in.readWord(word);  // '['
        std::vector<int32_t> polygon;
        int32_t value = 0;
        ListGrowth<IndexTriple> growth{list, in};
        while (in.readInt(value)) {
            in.skipComma();
            addIndex(value, polygon, list);
            growth.update();
            in.releaseBehind();
        }
    }
    trim(list);
}

namespace {

void readSections(Mesh& mesh, const ModelText& text) {
    readPoints(text, mesh.points);
    readNormals(text, mesh.normals);
    readCoordIndex(text, mesh.coordIndex);
    readNormalIndex(text, mesh.normalIndex);
    completeMesh(mesh);
}

}  // namespace

void readModelText(Mesh& mesh, std::string_view text) {
    readSections(mesh, ModelText{text});
}

bool loadModelFile(Mesh& mesh, MappedFile& file) {
    if (file.readUnchanged([&] { readSections(mesh, file.text); })) {
        return true;
    }
    // Read from a file in change: neither what it held before nor what it holds now.
    mesh.points = {};
    mesh.normals = {};
    mesh.coordIndex = {};
    mesh.normalIndex = {};
    return false;
}

bool loadModel(Mesh& mesh) {
    MappedFile file;
    return file.open("VRMLmodels/" + mesh.name) && loadModelFile(mesh, file);
}
