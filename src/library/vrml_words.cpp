#include "library/vrml_words.h"

void appendFan(const std::vector<int32_t>& polygon, std::vector<IndexTriple>& triangles) {
    for (size_t i = 1; i + 1 < polygon.size(); ++i) {
        triangles.push_back({polygon[0], polygon[i], polygon[i + 1]});
    }
}
