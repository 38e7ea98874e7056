#include "library/vrml_words.h"

#include <algorithm>

bool readWord(std::FILE* file, std::string& word) {
    char buffer[TOKEN_MAX];
    int start = 0;
    int end = 0;
    // The explicit whitespace directive lets %n mark where the word starts, so the length counts
    // NUL bytes inside the word too.
    if (std::fscanf(file, " %n%99s%n", &start, buffer, &end) != 1) {
        return false;
    }
    word.assign(buffer, static_cast<size_t>(end - start));
    return true;
}

void removeCommas(std::string& text) {
    std::erase(text, ',');
}

bool wordToInt(const std::string& text, int& value) {
    return std::sscanf(text.c_str(), "%d", &value) == 1;
}

void appendFan(const std::vector<int32_t>& polygon, std::vector<IndexTriple>& triangles) {
    for (size_t i = 1; i + 1 < polygon.size(); ++i) {
        triangles.push_back({polygon[0], polygon[i], polygon[i + 1]});
    }
}
