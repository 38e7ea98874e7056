#pragma once

#include <cstddef>
#include <cstdint>

#include "scene/vec.h"

// Whether the indices of a Mesh name elements of a list of `size` elements. A Mesh's index lists
// come from model files unchecked; the reader drops what fails this and drawing never follows an
// index that fails it. Negative indices never name an element.
inline bool validIndex(int32_t index, size_t size) {
    return index >= 0 && static_cast<size_t>(index) < size;
}

inline bool validTriple(const IndexTriple& t, size_t size) {
    return validIndex(t.a, size) && validIndex(t.b, size) && validIndex(t.c, size);
}
