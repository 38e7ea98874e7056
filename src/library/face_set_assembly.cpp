#include "library/face_set_assembly.h"

#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <unordered_map>

#include "library/mesh_repair.h"

namespace {

// A placement's matrix for points, and the inverse transpose of its 3x3 part for normals.
struct PlacementMatrix {
    double m[16];  // column-major
    bool identity = true;
    double normal[9];         // inverse transpose of the upper 3x3, row-major
    bool normalsMap = false;  // false when the 3x3 part cannot be inverted
    bool mirrors = false;     // negative determinant

    explicit PlacementMatrix(const float matrix[16]) {
        static const float unit[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
        identity = std::memcmp(matrix, unit, sizeof unit) == 0;
        for (int i = 0; i < 16; ++i) {
            m[i] = matrix[i];
        }
        auto a = [this](int row, int column) { return m[column * 4 + row]; };
        // Cofactors: the inverse transpose is the cofactor matrix divided by the determinant.
        const double c[9] = {
            a(1, 1) * a(2, 2) - a(1, 2) * a(2, 1), a(1, 2) * a(2, 0) - a(1, 0) * a(2, 2),
            a(1, 0) * a(2, 1) - a(1, 1) * a(2, 0), a(0, 2) * a(2, 1) - a(0, 1) * a(2, 2),
            a(0, 0) * a(2, 2) - a(0, 2) * a(2, 0), a(0, 1) * a(2, 0) - a(0, 0) * a(2, 1),
            a(0, 1) * a(1, 2) - a(0, 2) * a(1, 1), a(0, 2) * a(1, 0) - a(0, 0) * a(1, 2),
            a(0, 0) * a(1, 1) - a(0, 1) * a(1, 0)};
        const double det = a(0, 0) * c[0] + a(0, 1) * c[1] + a(0, 2) * c[2];
        normalsMap = det != 0 && std::isfinite(det);
        mirrors = det < 0;
        for (int i = 0; i < 9; ++i) {
            normal[i] = normalsMap ? c[i] / det : 0;
        }
    }

    Vec3d point(const Vec3f& p) const {
        if (identity) {
            return {p.x, p.y, p.z};
        }
        double x = m[0] * p.x + m[4] * p.y + m[8] * p.z + m[12];
        double y = m[1] * p.x + m[5] * p.y + m[9] * p.z + m[13];
        double z = m[2] * p.x + m[6] * p.y + m[10] * p.z + m[14];
        const double w = m[3] * p.x + m[7] * p.y + m[11] * p.z + m[15];
        if (w != 1 && w != 0 && std::isfinite(w)) {
            x /= w;
            y /= w;
            z /= w;
        }
        return {x, y, z};
    }

    Vec3d direction(const Vec3f& n) const {
        if (identity) {
            return {n.x, n.y, n.z};
        }
        return {normal[0] * n.x + normal[1] * n.y + normal[2] * n.z,
                normal[3] * n.x + normal[4] * n.y + normal[5] * n.z,
                normal[6] * n.x + normal[7] * n.y + normal[8] * n.z};
    }
};

// A list under one matrix; the same list under the same matrix lands in the mesh once.
struct PlacedList {
    uint32_t list;
    std::array<float, 16> matrix;
    bool operator==(const PlacedList& o) const {
        return list == o.list && std::memcmp(matrix.data(), o.matrix.data(), sizeof matrix) == 0;
    }
};

struct PlacedListHash {
    size_t operator()(const PlacedList& key) const {
        uint64_t hash = 14695981039346656037u ^ key.list;
        unsigned char bytes[sizeof key.matrix];
        std::memcpy(bytes, key.matrix.data(), sizeof bytes);
        for (const unsigned char b : bytes) {
            hash = (hash ^ b) * 1099511628211u;
        }
        return static_cast<size_t>(hash);
    }
};

using ListStarts = std::unordered_map<PlacedList, int32_t, PlacedListHash>;

}  // namespace

size_t fanTriangleCount(std::span<const int32_t> coordIndex) {
    size_t triangles = 0;
    size_t corners = 0;
    for (const int32_t index : coordIndex) {
        if (index == -1) {
            triangles += corners >= 3 ? corners - 2 : 0;
            corners = 0;
        } else {
            ++corners;
        }
    }
    return triangles + (corners >= 3 ? corners - 2 : 0);
}

namespace {

bool inside(int64_t index, size_t size) {
    return index >= 0 && static_cast<uint64_t>(index) < size;
}

class Assembler {
public:
    Assembler(const FaceSets& faceSets, size_t pointLimit)
        : sets(faceSets), maxPoints(pointLimit) {}

    std::vector<Vec3d> points, normals;
    std::vector<IndexTriple> coordIndex, normalIndex;
    bool tooManyPoints = false;

    void add(const FaceSetPlacement& p) {
        if (p.points >= sets.vectors.size() || p.coordIndex >= sets.indices.size()) {
            return;
        }
        const PlacementMatrix placement(p.matrix);
        const std::span<const Vec3f> pointList = sets.vectors[p.points];
        const int32_t base =
            place(pointList, p.points, p.matrix, points, pointStarts, false, placement);
        if (base < 0) {
            return;
        }
        const size_t first = coordIndex.size();
        bool fileNormals = collect(p, pointList.size(), base);
        int32_t normalBase = 0;
        if (fileNormals && placement.normalsMap) {
            normalBase = place(sets.vectors[p.normals], p.normals, p.matrix, normals, normalStarts,
                               true, placement);
        }
        fileNormals = fileNormals && placement.normalsMap && normalBase >= 0;
        const bool turn = (p.clockwise != 0) != placement.mirrors;
        for (size_t i = first; i < coordIndex.size(); ++i) {
            IndexTriple& t = coordIndex[i];
            IndexTriple& n = normalIndex[i];
            if (turn) {
                std::swap(t.b, t.c);
                std::swap(n.b, n.c);
            }
            if (fileNormals) {
                n = {n.a + normalBase, n.b + normalBase, n.c + normalBase};
            } else {
                normals.push_back(flatNormal(points, t));
                const auto k = static_cast<int32_t>(normals.size() - 1);
                n = {k, k, k};
            }
        }
    }

private:
    // Appends the list transformed by the placement unless it is there already; its first
    // position in `to`, or -1 when the points would pass the limit.
    int32_t place(std::span<const Vec3f> list, uint32_t id, const float matrix[16],
                  std::vector<Vec3d>& to, ListStarts& starts, bool directions,
                  const PlacementMatrix& placement) {
        PlacedList key{id, {}};
        std::memcpy(key.matrix.data(), matrix, sizeof key.matrix);
        const auto found = starts.find(key);
        if (found != starts.end()) {
            return found->second;
        }
        if (to.size() + list.size() > maxPoints) {
            tooManyPoints = true;
            return -1;
        }
        const auto start = static_cast<int32_t>(to.size());
        for (const Vec3f& v : list) {
            to.push_back(directions ? placement.direction(v) : placement.point(v));
        }
        starts.emplace(key, start);
        return start;
    }

    // The normal position of the corner at coordIndex position q, of face f, k-th corner.
    int64_t normalOf(const FaceSetPlacement& p, std::span<const int32_t> coords, size_t q,
                     size_t face, size_t corner) const {
        const std::span<const int32_t> indices =
            p.normalIndex < sets.indices.size() ? sets.indices[p.normalIndex] : coords;
        switch (p.binding) {
            case NormalBinding::PerCornerIndexed:
                return q < indices.size() ? indices[q] : -1;
            case NormalBinding::PerCornerInOrder:
                return static_cast<int64_t>(corner);
            case NormalBinding::PerFaceIndexed:
                return p.normalIndex < sets.indices.size() && face < indices.size() ? indices[face]
                                                                                    : -1;
            case NormalBinding::PerFaceInOrder:
                return static_cast<int64_t>(face);
            case NormalBinding::Overall:
                return 0;
            case NormalBinding::None:
                break;
        }
        return -1;
    }

    // Appends the fans of the placement's faces to coordIndex (its points start at `base`) and
    // their corners' positions in its normal list to normalIndex. False when the triangles
    // cannot all take normals from the file (normalIndex then holds no meaning for them).
    bool collect(const FaceSetPlacement& p, size_t pointCount, int32_t base) {
        const std::span<const int32_t> coords = sets.indices[p.coordIndex];
        const bool hasNormals = p.binding != NormalBinding::None && p.normals < sets.vectors.size();
        const size_t normalCount = hasNormals ? sets.vectors[p.normals].size() : 0;
        bool normalsServe = hasNormals;
        size_t face = 0;
        size_t corner = 0;
        for (size_t start = 0; start < coords.size();) {
            size_t end = start;
            while (end < coords.size() && coords[end] != -1) {
                ++end;
            }
            for (size_t i = start + 1; i + 1 < end; ++i) {
                const size_t q[3] = {start, i, i + 1};
                if (!inside(coords[q[0]], pointCount) || !inside(coords[q[1]], pointCount) ||
                    !inside(coords[q[2]], pointCount)) {
                    continue;
                }
                coordIndex.push_back(
                    {coords[q[0]] + base, coords[q[1]] + base, coords[q[2]] + base});
                IndexTriple normal;
                if (normalsServe) {
                    int64_t n[3];
                    for (int k = 0; k < 3; ++k) {
                        n[k] = normalOf(p, coords, q[k], face, corner + (q[k] - start));
                        normalsServe = normalsServe && inside(n[k], normalCount);
                    }
                    if (normalsServe) {
                        normal = {static_cast<int32_t>(n[0]), static_cast<int32_t>(n[1]),
                                  static_cast<int32_t>(n[2])};
                    }
                }
                normalIndex.push_back(normal);
            }
            if (end > start) {
                ++face;
                corner += end - start;
            }
            start = end + 1;
        }
        return normalsServe;
    }

    const FaceSets& sets;
    size_t maxPoints;
    ListStarts pointStarts, normalStarts;
};

}  // namespace

std::optional<std::string> assembleMesh(const FaceSets& sets, Mesh& mesh, size_t maxTriangles,
                                        size_t maxPoints) {
    // Indices are 32-bit: no list may reach past them.
    constexpr size_t INDEX_LIMIT = std::numeric_limits<int32_t>::max() / 2;
    maxTriangles = std::min(maxTriangles, INDEX_LIMIT);
    maxPoints = std::min(maxPoints, INDEX_LIMIT);

    std::vector<size_t> trianglesOfList(sets.indices.size(), SIZE_MAX);
    size_t triangles = 0;
    for (const FaceSetPlacement& p : sets.placements) {
        if (p.coordIndex >= sets.indices.size()) {
            continue;
        }
        size_t& count = trianglesOfList[p.coordIndex];
        if (count == SIZE_MAX) {
            count = fanTriangleCount(sets.indices[p.coordIndex]);
        }
        triangles += count;
        if (triangles > maxTriangles) {
            return "more than " + std::to_string(maxTriangles) + " triangles";
        }
    }

    // Room for every list once and a flat normal per triangle; room that stays unused is never
    // touched, so it costs address space only.
    std::vector<bool> seen(sets.vectors.size());
    size_t points = 0, normals = triangles;
    for (const FaceSetPlacement& p : sets.placements) {
        for (const auto& [list, total] : {std::pair{p.points, &points}, {p.normals, &normals}}) {
            if (list < sets.vectors.size() && !seen[list]) {
                seen[list] = true;
                *total += sets.vectors[list].size();
            }
        }
    }
    Assembler assembler(sets, maxPoints);
    assembler.points.reserve(std::min(points, maxPoints));
    assembler.normals.reserve(std::min(normals, maxPoints + triangles));
    assembler.coordIndex.reserve(triangles);
    assembler.normalIndex.reserve(triangles);
    for (const FaceSetPlacement& p : sets.placements) {
        assembler.add(p);
        if (assembler.tooManyPoints) {
            return "more than " + std::to_string(maxPoints) + " points";
        }
    }
    mesh.points = std::move(assembler.points);
    mesh.normals = std::move(assembler.normals);
    mesh.coordIndex = std::move(assembler.coordIndex);
    mesh.normalIndex = std::move(assembler.normalIndex);
    return std::nullopt;
}
