#include "library/mesh_repair.h"

#include <cfloat>
#include <cmath>

#include "scene/index_range.h"

namespace {

// Double to single precision; out-of-range values become infinite instead of undefined.
float narrow(double d) {
    if (d > FLT_MAX) {
        return INFINITY;
    }
    if (d < -FLT_MAX) {
        return -INFINITY;
    }
    return static_cast<float>(d);
}

Vec3 narrow(const Vec3d& v) {
    return {narrow(v.x), narrow(v.y), narrow(v.z)};
}

}  // namespace

Vec3d faceNormal(Vec3 p0, Vec3 p1, Vec3 p2) {
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

Vec3d flatNormal(const std::vector<Vec3d>& points, const IndexTriple& t) {
    return faceNormal(narrow(points[t.a]), narrow(points[t.b]), narrow(points[t.c]));
}

bool dropInvalidTriangles(Mesh& mesh) {
    const size_t count = mesh.coordIndex.size();
    size_t valid = 0;
    for (const IndexTriple& t : mesh.coordIndex) {
        valid += validTriple(t, mesh.points.size()) ? 1 : 0;
    }
    if (valid == count) {
        return false;
    }
    // Triangle i and normalIndex triple i travel together, so both lists are rebuilt side by
    // side; triples beyond the last triangle keep their place after the kept ones.
    std::vector<IndexTriple> coords;
    std::vector<IndexTriple> normalTriples;
    coords.reserve(valid);
    for (size_t i = 0; i < count; ++i) {
        if (validTriple(mesh.coordIndex[i], mesh.points.size())) {
            coords.push_back(mesh.coordIndex[i]);
            if (i < mesh.normalIndex.size()) {
                normalTriples.push_back(mesh.normalIndex[i]);
            }
        }
    }
    for (size_t i = count; i < mesh.normalIndex.size(); ++i) {
        normalTriples.push_back(mesh.normalIndex[i]);
    }
    mesh.coordIndex = std::move(coords);
    mesh.normalIndex = std::move(normalTriples);
    return true;
}

bool normalsServeEveryTriangle(const Mesh& mesh) {
    if (mesh.normalIndex.size() < mesh.coordIndex.size()) {
        return false;
    }
    for (size_t i = 0; i < mesh.coordIndex.size(); ++i) {
        if (!validTriple(mesh.normalIndex[i], mesh.normals.size())) {
            return false;
        }
    }
    return true;
}

void appendFlatNormals(Mesh& mesh) {
    mesh.normals.reserve(mesh.normals.size() + mesh.coordIndex.size());
    mesh.normalIndex.reserve(mesh.normalIndex.size() + mesh.coordIndex.size());
    for (const IndexTriple& t : mesh.coordIndex) {
        mesh.normals.push_back(flatNormal(mesh.points, t));
        const auto k = static_cast<int32_t>(mesh.normals.size() - 1);
        mesh.normalIndex.push_back({k, k, k});
    }
}

void completeMesh(Mesh& mesh) {
    dropInvalidTriangles(mesh);
    if (!mesh.normals.empty() && !normalsServeEveryTriangle(mesh)) {
        mesh.normals.clear();
        mesh.normalIndex.clear();
    }
    if (mesh.normals.empty()) {
        // Triples read from a file without a Normal node stay in front of the generated ones and
        // then index the generated normals; when they cannot, only generated ones are used.
        appendFlatNormals(mesh);
        if (!normalsServeEveryTriangle(mesh)) {
            mesh.normals.clear();
            mesh.normalIndex.clear();
            appendFlatNormals(mesh);
        }
    }
}
