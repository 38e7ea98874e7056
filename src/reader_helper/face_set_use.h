#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace coin_reading {

struct Vec3f {
    float x = 0, y = 0, z = 0;
};

// Where a face set takes the normal of each corner from.
enum class NormalBinding {
    None,              // no normals: every triangle gets its flat normal
    PerCornerIndexed,  // normalIndex, parallel to coordIndex (-1s included); coordIndex without it
    PerCornerInOrder,  // the k-th corner of the face set takes normal k
    PerFaceIndexed,    // face f takes normal normalIndex[f]
    PerFaceInOrder,    // face f takes normal f
    Overall,           // every corner takes normal 0
};

constexpr std::array<float, 16> IDENTITY = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

// One face set at one place in the scene graph: its lists as the scene graph holds them (faces
// are runs of coordIndex ended by -1 or by the end of the list) and what the place gives them.
struct FaceSetUse {
    std::array<float, 16> matrix = IDENTITY;  // column-major, p' = M p
    std::span<const Vec3f> points;
    std::span<const int32_t> coordIndex;
    std::span<const Vec3f> normals;
    std::span<const int32_t> normalIndex;  // empty when the face set gives none
    NormalBinding binding = NormalBinding::None;
    bool clockwise = false;  // the faces wind clockwise seen from their front
    bool convex = true;      // false: a face may be non-convex and is split inside its outline
    bool twoSided = false;   // the faces are seen from both sides
    // The lists live in the scene graph, so a list met again (DEF/USE) under the same matrix is
    // the same list; false for lists made for this one use.
    bool listsShared = true;
};

}  // namespace coin_reading
