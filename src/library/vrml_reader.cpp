// The VRML subset reader: four independent word searches over the model file, each followed by a
// fixed reading pattern. This is deliberately not a VRML parser; see vrml_words.h.
#include <fcntl.h>
#include <locale.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "library/mesh_repair.h"
#include "library/vrml_words.h"
#include "scene/mesh.h"

namespace {

// Numbers in model files always use '.', whatever locale the process runs in.
struct ScopedCLocale {
    locale_t c = newlocale(LC_ALL_MASK, "C", locale_t{});
    locale_t previous = c ? uselocale(c) : locale_t{};
    ~ScopedCLocale() {
        if (c) {
            uselocale(previous);
            freelocale(c);
        }
    }
};

// Opens a regular file for reading; directories, devices, FIFOs, dangling links and files
// without read permission give nullptr. O_NONBLOCK keeps a FIFO named like a model from
// blocking the start-up.
std::FILE* openRegularFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return nullptr;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    std::FILE* file = ::fdopen(fd, "r");
    if (!file) {
        ::close(fd);
    }
    return file;
}

// Reads words up to one that equals a keyword. With skipFirstWord the file's first word is read
// without being compared (the point search starts at the second word). True when a keyword was
// found and the end-of-file indicator was not set by reading it.
bool findKeyword(std::FILE* file, bool skipFirstWord, const char* keyword,
                 const char* otherKeyword = nullptr) {
    std::string word;
    if (skipFirstWord) {
        readWord(file, word);
    }
    for (;;) {
        if (std::feof(file) || !readWord(file, word)) {
            return false;
        }
        if (word == keyword || (otherKeyword && word == otherKeyword)) {
            break;
        }
    }
    return !std::feof(file);
}

// After the keyword: '{', the field name and '[' are discarded as words, then one character
// ("%c"), then triples "%lf %lf %lf," until one does not convert in full.
void readVectorList(std::FILE* file, std::vector<Vec3d>& list) {
    std::string word;
    for (int i = 0; i < 3; ++i) {
        readWord(file, word);
    }
    char ignored = 0;
    if (std::fscanf(file, "%c", &ignored) != 1) {
        return;
    }
    Vec3d v;
    while (std::fscanf(file, "%lf %lf %lf,", &v.x, &v.y, &v.z) == 3) {
        list.push_back(v);
    }
}

void addIndex(int value, std::vector<int32_t>& polygon, std::vector<IndexTriple>& list) {
    if (value == -1) {
        appendFan(polygon, list);
        polygon.clear();
    } else {
        polygon.push_back(value);
    }
}

}  // namespace

void Mesh::readPoints(std::FILE* file, std::vector<Vec3d>& list) {
    list.reserve(list.size() + RESERVE_COUNT);
    if (findKeyword(file, true, "Coordinate", "Coordinate3")) {
        readVectorList(file, list);
    }
    std::rewind(file);
}

void Mesh::readNormals(std::FILE* file, std::vector<Vec3d>& list) {
    list.reserve(list.size() + RESERVE_COUNT);
    if (findKeyword(file, false, "Normal")) {
        readVectorList(file, list);
    }
    std::rewind(file);
}

void Mesh::readCoordIndex(std::FILE* file, std::vector<IndexTriple>& list) {
    list.reserve(list.size() + RESERVE_COUNT);
    if (findKeyword(file, false, "coordIndex")) {
        std::string word;
        readWord(file, word);  // '['
        std::vector<int32_t> polygon;
        int value = 0;
        // The first word is converted as it is: a word of commas alone ends the list here.
        bool more = readWord(file, word);
        if (more) {
            removeCommas(word);
            more = wordToInt(word, value);
        }
        while (more) {
            addIndex(value, polygon, list);
            // Lone commas between indices ('0 , 1') leave empty words, which are skipped.
            bool got = readWord(file, word);
            if (got) {
                removeCommas(word);
            }
            while (got && word.empty() && !std::feof(file)) {
                got = readWord(file, word);
                if (got) {
                    removeCommas(word);
                }
            }
            more = got && wordToInt(word, value);
        }
        // Indices left in the polygon (no closing -1) are dropped.
    }
    std::rewind(file);
}

void Mesh::readNormalIndex(std::FILE* file, std::vector<IndexTriple>& list) {
    list.reserve(list.size() + RESERVE_COUNT);
    if (findKeyword(file, false, "normalIndex")) {
        std::string word;
        readWord(file, word);  // '['
        std::vector<int32_t> polygon;
        int value = 0;
        while (std::fscanf(file, "%d,", &value) == 1) {
            addIndex(value, polygon, list);
        }
    }
    std::rewind(file);
}

bool Mesh::loadModel() {
    std::FILE* file = openRegularFile("VRMLmodels/" + name);
    if (!file) {
        return false;
    }
    const ScopedCLocale cLocale;
    readPoints(file, points);
    readNormals(file, normals);
    readCoordIndex(file, coordIndex);
    readNormalIndex(file, normalIndex);
    completeMesh(*this);
    std::fclose(file);
    return true;
}
