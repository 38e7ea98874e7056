#pragma once

#include <cstdint>
#include <span>
#include <vector>

// The IndexedFaceSets of a VRML scene graph as the full reader's parser hands them over: the
// lists exactly as the file gives them (shared by every place that uses them), and one placement
// per place in the graph where a face set is met.

struct Vec3f {
    float x = 0, y = 0, z = 0;
};

// Where a face set takes the normal of each corner from.
enum class NormalBinding : uint32_t {
    None,              // no normals: every triangle gets its flat normal
    PerCornerIndexed,  // normalIndex, parallel to coordIndex (-1s included); coordIndex without it
    PerCornerInOrder,  // the k-th corner of the face set takes normal k
    PerFaceIndexed,    // face f takes normal normalIndex[f]
    PerFaceInOrder,    // face f takes normal f
    Overall,           // every corner takes normal 0
};

constexpr uint32_t NO_LIST = 0xFFFFFFFF;

// One face set at one place in the scene graph. The lists are positions in FaceSets::vectors and
// FaceSets::indices.
struct FaceSetPlacement {
    float matrix[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};  // column-major, p' = M p
    uint32_t points = NO_LIST;
    uint32_t coordIndex = NO_LIST;
    uint32_t normals = NO_LIST;
    uint32_t normalIndex = NO_LIST;
    NormalBinding binding = NormalBinding::None;
    uint32_t clockwise = 0;  // the faces wind clockwise seen from their front
};

struct FaceSets {
    std::vector<std::span<const Vec3f>> vectors;    // point and normal lists
    std::vector<std::span<const int32_t>> indices;  // coordIndex and normalIndex lists
    std::vector<FaceSetPlacement> placements;
};
