// The VRML subset reader: four independent keyword searches over the model text, each followed by
// a fixed reading pattern. This is deliberately not a VRML parser; model_text.h has the rules
// by which words and numbers are read.
#include <string>
#include <vector>

#include "library/mapped_file.h"
#include "library/mesh_repair.h"
#include "library/model_text.h"
#include "library/vrml_words.h"
#include "scene/mesh.h"

namespace {

// A word of commas alone, which the coordIndex list skips.
bool onlyCommas(std::string_view word) {
    return word.find_first_not_of(',') == std::string_view::npos;
}

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
    Vec3d v;
    while (in.readDouble(v.x) && in.readDouble(v.y) && in.readDouble(v.z)) {
        in.skipComma();
        list.push_back(v);
        in.releaseBehind();
    }
}

void addIndex(int32_t value, std::vector<int32_t>& polygon, std::vector<IndexTriple>& list) {
    if (value == -1) {
        appendFan(polygon, list);
        polygon.clear();
    } else {
        polygon.push_back(value);
    }
}

// Lists grow by doubling while they are read; the spare room is handed back at the end, so a
// large model keeps no more memory than its lists need.
template <typename T>
void trim(std::vector<T>& list) {
    if (list.capacity() > list.size() + RESERVE_COUNT) {
        list.shrink_to_fit();
    }
}

}  // namespace

void Mesh::readPoints(const ModelText& text, std::vector<Vec3d>& list) {
    list.reserve(list.size() + RESERVE_COUNT);
    TextCursor in(text);
    if (in.findKeyword(true, "Coordinate", "Coordinate3")) {
        readVectorList(in, list);
    }
    trim(list);
}

void Mesh::readNormals(const ModelText& text, std::vector<Vec3d>& list) {
    list.reserve(list.size() + RESERVE_COUNT);
    TextCursor in(text);
    if (in.findKeyword(false, "Normal")) {
        readVectorList(in, list);
    }
    trim(list);
}

void Mesh::readCoordIndex(const ModelText& text, std::vector<IndexTriple>& list) {
    list.reserve(list.size() + RESERVE_COUNT);
    TextCursor in(text);
    if (in.findKeyword(false, "coordIndex")) {
        std::string_view word;
        in.readWord(word);  // '['
        std::vector<int32_t> polygon;
        int32_t value = 0;
        // The first word is converted as it is: a word of commas alone ends the list here.
        bool more = in.readWord(word) && wordToIntWithoutCommas(word, value);
        while (more) {
            addIndex(value, polygon, list);
            in.releaseBehind();
            // Lone commas between indices ('0 , 1') leave empty words, which are skipped.
            bool got = in.readWord(word);
            while (got && onlyCommas(word) && !in.eof) {
                got = in.readWord(word);
            }
            more = got && wordToIntWithoutCommas(word, value);
        }
        // Indices left in the polygon (no closing -1) are dropped.
    }
    trim(list);
}

void Mesh::readNormalIndex(const ModelText& text, std::vector<IndexTriple>& list) {
    list.reserve(list.size() + RESERVE_COUNT);
    TextCursor in(text);
    if (in.findKeyword(false, "normalIndex")) {
        std::string_view word;
        in.readWord(word);  // '['
        std::vector<int32_t> polygon;
        int32_t value = 0;
        while (in.readInt(value)) {
            in.skipComma();
            addIndex(value, polygon, list);
            in.releaseBehind();
        }
    }
    trim(list);
}

namespace {

void readSections(Mesh& mesh, const ModelText& text) {
    mesh.readPoints(text, mesh.points);
    mesh.readNormals(text, mesh.normals);
    mesh.readCoordIndex(text, mesh.coordIndex);
    mesh.readNormalIndex(text, mesh.normalIndex);
    completeMesh(mesh);
}

}  // namespace

void readModelText(Mesh& mesh, std::string_view text) {
    readSections(mesh, ModelText{text});
}

bool Mesh::loadModel() {
    MappedFile file;
    if (!file.open("VRMLmodels/" + name)) {
        return false;
    }
    readSections(*this, file.text);
    return true;
}
