#pragma once

#include <array>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "reader/mesh_lists.h"
#include "reader_helper/face_set_use.h"

namespace coin_reading {

// Builds one model's lists from the face sets met in its scene graph, one use at a time.
//
// Each use's points are transformed by its matrix (a shared list met again under the same matrix
// is not copied again). Its faces are split into triangles: convex ones into fans as the classic
// reading splits them, the others inside their outline (polygon_split.h). The corners take their
// normals from the lists, transformed by the inverse transpose of the matrix; a use whose normals
// cannot serve every kept triangle, or that has none, gives each triangle its flat normal.
// Triangles with a corner outside their point list are dropped; faces wound clockwise, or
// mirrored by their matrix, are turned round so that their front faces where the file means.
// Two-sided faces are kept apart and end up last.
class MeshBuilder {
public:
    MeshBuilder(size_t maxTriangles, size_t maxPoints);

    // Adds the triangles of one use. False once a limit is passed: `limitMessage` says which,
    // and nothing more is added.
    bool add(const FaceSetUse& use);

    size_t triangles() const { return oneSided.coord.size() + twoSided.coord.size(); }
    const std::string& limitMessage() const { return limit; }

    // Moves the lists into `out`, the two-sided triangles last.
    void finish(MeshLists& out);

private:
    struct Triangles {
        std::vector<IndexTriple> coord, normal;
    };
    struct PlacedList {
        const void* data;
        size_t size;
        std::array<float, 16> matrix;
        bool operator==(const PlacedList& o) const {
            return data == o.data && size == o.size &&
                   std::memcmp(matrix.data(), o.matrix.data(), sizeof matrix) == 0;
        }
    };
    struct PlacedListHash {
        size_t operator()(const PlacedList& key) const;
    };
    using ListStarts = std::unordered_map<PlacedList, int32_t, PlacedListHash>;
    struct Placement;

    int32_t place(std::span<const Vec3f> list, const FaceSetUse& use, bool directions,
                  const Placement& placement, std::vector<Vec3d>& to, ListStarts& starts);
    bool collect(const FaceSetUse& use, int32_t base, Triangles& to);

    size_t maxTriangles, maxPoints;
    std::string limit;
    std::vector<Vec3d> points, normals;
    Triangles oneSided, twoSided;
    ListStarts pointStarts, normalStarts;
    std::vector<Vec3d> faceCorners;                      // scratch: one face's points
    std::vector<std::array<uint32_t, 3>> faceTriangles;  // scratch: its split
};

}  // namespace coin_reading
