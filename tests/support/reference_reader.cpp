#include "reference_reader.h"

#include <fcntl.h>
#include <locale.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "library/mesh_repair.h"
#include "library/vrml_words.h"

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

// "%99s"; the explicit whitespace directive lets %n mark where the word starts, so the length
// counts NUL bytes inside the word too.
bool readWord(std::FILE* file, std::string& word) {
    char buffer[TOKEN_MAX];
    int start = 0;
    int end = 0;
    if (std::fscanf(file, " %n%99s%n", &start, buffer, &end) != 1) {
        return false;
    }
    word.assign(buffer, static_cast<size_t>(end - start));
    return true;
}

bool wordToInt(const std::string& text, int& value) {
    return std::sscanf(text.c_str(), "%d", &value) == 1;
}

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

// Reads the next word with its commas removed; false at the end of the file.
bool readWordWithoutCommas(std::FILE* file, std::string& word) {
    if (!readWord(file, word)) {
        return false;
    }
    std::erase(word, ',');
    return true;
}

}  // namespace

void referenceReadPoints(std::FILE* file, std::vector<Vec3d>& list) {
    list.reserve(list.size() + RESERVE_COUNT);
    if (findKeyword(file, true, "Coordinate", "Coordinate3")) {
        readVectorList(file, list);
    }
    std::rewind(file);
}

void referenceReadNormals(std::FILE* file, std::vector<Vec3d>& list) {
    list.reserve(list.size() + RESERVE_COUNT);
    if (findKeyword(file, false, "Normal")) {
        readVectorList(file, list);
    }
    std::rewind(file);
}

void referenceReadCoordIndex(std::FILE* file, std::vector<IndexTriple>& list) {
    list.reserve(list.size() + RESERVE_COUNT);
    if (findKeyword(file, false, "coordIndex")) {
        std::string word;
        readWord(file, word);  // '['
        std::vector<int32_t> polygon;
        int value = 0;
        bool more = readWordWithoutCommas(file, word) && wordToInt(word, value);
        while (more) {
            addIndex(value, polygon, list);
            bool got = readWordWithoutCommas(file, word);
            while (got && word.empty() && !std::feof(file)) {
                got = readWordWithoutCommas(file, word);
            }
            more = got && wordToInt(word, value);
        }
    }
    std::rewind(file);
}

void referenceReadNormalIndex(std::FILE* file, std::vector<IndexTriple>& list) {
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

bool referenceLoadFile(Mesh& mesh, const std::string& path) {
    std::FILE* file = openRegularFile(path);
    if (!file) {
        return false;
    }
    const ScopedCLocale cLocale;
    referenceReadPoints(file, mesh.points);
    referenceReadNormals(file, mesh.normals);
    referenceReadCoordIndex(file, mesh.coordIndex);
    referenceReadNormalIndex(file, mesh.normalIndex);
    completeMesh(mesh);
    std::fclose(file);
    return true;
}

bool referenceLoadModel(Mesh& mesh) {
    return referenceLoadFile(mesh, "VRMLmodels/" + mesh.name);
}
