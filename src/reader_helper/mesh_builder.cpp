#include "reader_helper/mesh_builder.h"

#include <cfloat>
#include <cmath>
#include <limits>

#include "reader_helper/polygon_split.h"

namespace coin_reading {

namespace {

float narrow(double d) {
    if (d > FLT_MAX) {
        return INFINITY;
    }
    if (d < -FLT_MAX) {
        return -INFINITY;
    }
    return static_cast<float>(d);
}

// The unit normal of the triangle, computed in single precision as the classic reading does;
// (0, 0, 0) for a triangle without area.
Vec3d flatNormal(const std::vector<Vec3d>& points, const IndexTriple& t) {
    auto at = [&](int32_t i) {
        const Vec3d& p = points[static_cast<size_t>(i)];
        return Vec3{narrow(p.x), narrow(p.y), narrow(p.z)};
    };
    const Vec3 p0 = at(t.a), p1 = at(t.b), p2 = at(t.c);
    const Vec3 c = p1.minus(p0).cross(p2.minus(p1));
    const float len = std::sqrt(c.x * c.x + c.y * c.y + c.z * c.z);
    if (!(len > 0.0f) || !std::isfinite(len)) {
        return {};
    }
    const Vec3 n = c.divided(len);
    if (!std::isfinite(n.x) || !std::isfinite(n.y) || !std::isfinite(n.z)) {
        return {};
    }
    return {n.x, n.y, n.z};
}

bool inside(int64_t index, size_t size) {
    return index >= 0 && static_cast<uint64_t>(index) < size;
}

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

// The normal position of the corner at coordIndex position q: the corner-th corner of the use,
// of its face-th face.
int64_t normalOf(const FaceSetUse& use, size_t q, size_t face, size_t corner) {
    const std::span<const int32_t> indices =
        use.normalIndex.empty() ? use.coordIndex : use.normalIndex;
    switch (use.binding) {
        case NormalBinding::PerCornerIndexed:
            return q < indices.size() ? indices[q] : -1;
        case NormalBinding::PerCornerInOrder:
            return static_cast<int64_t>(corner);
        case NormalBinding::PerFaceIndexed:
            return face < use.normalIndex.size() ? use.normalIndex[face] : -1;
        case NormalBinding::PerFaceInOrder:
            return static_cast<int64_t>(face);
        case NormalBinding::Overall:
            return 0;
        case NormalBinding::None:
            break;
    }
    return -1;
}

}  // namespace

// A use's matrix for points, and the inverse transpose of its 3x3 part for normals.
struct MeshBuilder::Placement {
    double m[16];  // column-major
    bool identity = true;
    double normal[9];         // inverse transpose of the upper 3x3, row-major
    bool normalsMap = false;  // false when the 3x3 part cannot be inverted
    bool mirrors = false;     // negative determinant

    explicit Placement(const std::array<float, 16>& matrix) {
        identity = matrix == IDENTITY;
        for (int i = 0; i < 16; ++i) {
            m[i] = matrix[static_cast<size_t>(i)];
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

size_t MeshBuilder::PlacedListHash::operator()(const PlacedList& key) const {
    uint64_t hash = 14695981039346656037u ^ reinterpret_cast<uintptr_t>(key.data) ^ key.size;
    unsigned char bytes[sizeof key.matrix];
    std::memcpy(bytes, key.matrix.data(), sizeof bytes);
    for (const unsigned char b : bytes) {
        hash = (hash ^ b) * 1099511628211u;
    }
    return static_cast<size_t>(hash);
}

MeshBuilder::MeshBuilder(size_t triangleLimit, size_t pointLimit) {
    // Indices are 32-bit: no list may reach past them.
    constexpr size_t INDEX_LIMIT = std::numeric_limits<int32_t>::max() / 2;
    maxTriangles = std::min(triangleLimit, INDEX_LIMIT);
    maxPoints = std::min(pointLimit, INDEX_LIMIT);
}

bool MeshBuilder::add(const FaceSetUse& use) {
    if (!limit.empty()) {
        return false;
    }
    const size_t count = fanTriangleCount(use.coordIndex);
    if (count == 0) {
        return true;
    }
    if (triangles() + count > maxTriangles) {
        limit = "more than " + std::to_string(maxTriangles) + " triangles";
        return false;
    }
    const Placement placement(use.matrix);
    const int32_t base = place(use.points, use, false, placement, points, pointStarts);
    if (base < 0) {
        return false;
    }
    Triangles& to = use.twoSided ? twoSided : oneSided;
    const size_t first = to.coord.size();
    bool fileNormals = collect(use, base, to) && placement.normalsMap;
    int32_t normalBase = 0;
    if (fileNormals) {
        normalBase = place(use.normals, use, true, placement, normals, normalStarts);
        if (normalBase < 0) {
            to.coord.resize(first);
            to.normal.resize(first);
            return false;
        }
    }
    const bool turn = use.clockwise != placement.mirrors;
    for (size_t i = first; i < to.coord.size(); ++i) {
        IndexTriple& t = to.coord[i];
        IndexTriple& n = to.normal[i];
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
    return true;
}

// Appends the list transformed by the placement unless it is there already; its first position
// in `to`, or -1 when it would pass the point limit.
int32_t MeshBuilder::place(std::span<const Vec3f> list, const FaceSetUse& use, bool directions,
                           const Placement& placement, std::vector<Vec3d>& to, ListStarts& starts) {
    const PlacedList key{list.data(), list.size(), use.matrix};
    if (use.listsShared) {
        if (const auto found = starts.find(key); found != starts.end()) {
            return found->second;
        }
    }
    if (to.size() + list.size() > maxPoints) {
        limit = "more than " + std::to_string(maxPoints) + " points";
        return -1;
    }
    const auto start = static_cast<int32_t>(to.size());
    for (const Vec3f& v : list) {
        to.push_back(directions ? placement.direction(v) : placement.point(v));
    }
    if (use.listsShared) {
        starts.emplace(key, start);
    }
    return start;
}

// Appends the triangles of the use's faces to `to` (its points start at `base`), with their
// corners' positions in its normal list. False when the triangles cannot all take normals from
// the lists (their normal triples then mean nothing).
bool MeshBuilder::collect(const FaceSetUse& use, int32_t base, Triangles& to) {
    const std::span<const int32_t> coords = use.coordIndex;
    const size_t pointCount = use.points.size();
    const size_t normalCount = use.binding == NormalBinding::None ? 0 : use.normals.size();
    bool normalsServe = normalCount > 0;
    size_t face = 0;
    size_t corner = 0;
    auto triangle = [&](size_t start, const size_t q[3]) {
        to.coord.push_back({coords[q[0]] + base, coords[q[1]] + base, coords[q[2]] + base});
        IndexTriple normal;
        if (normalsServe) {
            int64_t n[3];
            for (int k = 0; k < 3; ++k) {
                n[k] = normalOf(use, q[k], face, corner + (q[k] - start));
                normalsServe = normalsServe && inside(n[k], normalCount);
            }
            if (normalsServe) {
                normal = {static_cast<int32_t>(n[0]), static_cast<int32_t>(n[1]),
                          static_cast<int32_t>(n[2])};
            }
        }
        to.normal.push_back(normal);
    };
    for (size_t start = 0; start < coords.size();) {
        size_t end = start;
        bool valid = true;
        while (end < coords.size() && coords[end] != -1) {
            valid = valid && inside(coords[end], pointCount);
            ++end;
        }
        if (!use.convex && valid && end - start > 3) {
            faceCorners.clear();
            for (size_t q = start; q < end; ++q) {
                const Vec3f& p = use.points[static_cast<size_t>(coords[q])];
                faceCorners.push_back({p.x, p.y, p.z});
            }
            faceTriangles.clear();
            splitPolygon(faceCorners, faceTriangles);
            for (const auto& t : faceTriangles) {
                const size_t q[3] = {start + t[0], start + t[1], start + t[2]};
                triangle(start, q);
            }
        } else {
            for (size_t i = start + 1; i + 1 < end; ++i) {
                const size_t q[3] = {start, i, i + 1};
                if (inside(coords[q[0]], pointCount) && inside(coords[q[1]], pointCount) &&
                    inside(coords[q[2]], pointCount)) {
                    triangle(start, q);
                }
            }
        }
        if (end > start) {
            ++face;
            corner += end - start;
        }
        start = end + 1;
    }
    return normalsServe;
}

void MeshBuilder::finish(MeshLists& out) {
    out.points = std::move(points);
    out.normals = std::move(normals);
    out.twoSidedTriangles = twoSided.coord.size();
    out.coordIndex = std::move(oneSided.coord);
    out.normalIndex = std::move(oneSided.normal);
    out.coordIndex.insert(out.coordIndex.end(), twoSided.coord.begin(), twoSided.coord.end());
    out.normalIndex.insert(out.normalIndex.end(), twoSided.normal.begin(), twoSided.normal.end());
}

}  // namespace coin_reading
