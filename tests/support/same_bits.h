#pragma once

// Equality to the bit, for results that must match exactly: NaN signs and payloads and the sign
// of zero count, which == would pass over.
#include <cstring>
#include <type_traits>
#include <vector>

template <typename T>
requires std::is_trivially_copyable_v<T>
bool sameBits(const T& a, const T& b) {
    return std::memcmp(&a, &b, sizeof(T)) == 0;
}

template <typename T>
bool sameBits(const std::vector<T>& a, const std::vector<T>& b) {
    return a.size() == b.size() &&
           (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(T)) == 0);
}

// The four lists a model reading gives (a Mesh, or the raw Sections), each to the bit.
template <typename Lists>
bool sameLists(const Lists& a, const Lists& b) {
    return sameBits(a.points, b.points) && sameBits(a.normals, b.normals) &&
           sameBits(a.coordIndex, b.coordIndex) && sameBits(a.normalIndex, b.normalIndex);
}
