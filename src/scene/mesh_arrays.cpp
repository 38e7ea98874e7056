#include "scene/mesh_arrays.h"

#include <algorithm>
#include <memory>
#include <unordered_map>
#include <unordered_set>

#include "scene/mesh.h"

namespace {

bool validIndex(int32_t i, size_t size) {
    return i >= 0 && static_cast<size_t>(i) < size;
}

bool validTriple(const IndexTriple& t, size_t size) {
    return validIndex(t.a, size) && validIndex(t.b, size) && validIndex(t.c, size);
}

void append(std::vector<float>& out, const Vec3d& v) {
    out.push_back(static_cast<float>(v.x));
    out.push_back(static_cast<float>(v.y));
    out.push_back(static_cast<float>(v.z));
}

void setKey(const Mesh& mesh, const void* (&source)[4], size_t (&size)[4]) {
    source[0] = mesh.points.data();
    source[1] = mesh.normals.data();
    source[2] = mesh.coordIndex.data();
    source[3] = mesh.normalIndex.data();
    size[0] = mesh.points.size();
    size[1] = mesh.normals.size();
    size[2] = mesh.coordIndex.size();
    size[3] = mesh.normalIndex.size();
}

// Cuts `count` primitives into runs and boxes each run with the points `corners` gives.
template <typename Corners>
std::vector<ArrayRun> makeRuns(size_t count, int cornersPer, const Mesh& mesh, Corners corners) {
    std::vector<ArrayRun> runs;
    for (size_t first = 0; first < count; first += ARRAY_RUN_LENGTH) {
        ArrayRun run;
        run.first = static_cast<uint32_t>(first);
        run.count = static_cast<uint32_t>(std::min<size_t>(ARRAY_RUN_LENGTH, count - first));
        for (size_t p = first; p < first + run.count; ++p) {
            for (int k = 0; k < cornersPer; ++k) {
                const Vec3d& v = mesh.points[corners(p, k)];
                run.box.add(v.x, v.y, v.z);
            }
        }
        runs.push_back(run);
    }
    return runs;
}

}  // namespace

void Box3::add(double x, double y, double z) {
    const double v[3] = {x, y, z};
    if (empty()) {
        for (int i = 0; i < 3; ++i) {
            lo[i] = hi[i] = v[i];
        }
        return;
    }
    for (int i = 0; i < 3; ++i) {
        lo[i] = v[i] < lo[i] ? v[i] : lo[i];
        hi[i] = v[i] > hi[i] ? v[i] : hi[i];
    }
}

bool arraysMatch(const MeshArrays& arrays, const Mesh& mesh) {
    const void* source[4];
    size_t size[4];
    setKey(mesh, source, size);
    for (int i = 0; i < 4; ++i) {
        if (source[i] != arrays.source[i] || size[i] != arrays.sourceSize[i]) {
            return false;
        }
    }
    return true;
}

MeshArrays buildMeshArrays(const Mesh& mesh) {
    MeshArrays out;
    setKey(mesh, out.source, out.sourceSize);

    const size_t pointCount = mesh.points.size();
    // Indices are stored unsigned 32-bit, and GL counts them in a signed 32-bit size.
    if (pointCount > UINT32_MAX || mesh.coordIndex.size() > static_cast<size_t>(INT32_MAX) / 6) {
        out.packed = false;
        return out;
    }

    std::vector<uint32_t> drawn;  // positions in coordIndex of the triangles that are drawn
    drawn.reserve(mesh.coordIndex.size());
    bool allNormals = true;
    for (size_t t = 0; t < mesh.coordIndex.size(); ++t) {
        if (!validTriple(mesh.coordIndex[t], pointCount)) {
            continue;
        }
        drawn.push_back(static_cast<uint32_t>(t));
        allNormals = allNormals && t < mesh.normalIndex.size() &&
                     validTriple(mesh.normalIndex[t], mesh.normals.size());
    }
    if (mesh.normals.empty()) {
        out.normals = MeshArrays::Normals::None;
    } else if (allNormals) {
        out.normals = MeshArrays::Normals::PerCorner;
    } else {
        out.normals = MeshArrays::Normals::Partial;
    }

    out.points.reserve(3 * pointCount);
    for (const Vec3d& p : mesh.points) {
        append(out.points, p);
    }

    // Triangles come indexed, so that GL transforms and lights each distinct corner once
    // rather than once per triangle; the corners are the same, so are the pixels.
    out.triangles.reserve(3 * drawn.size());
    if (out.normals == MeshArrays::Normals::PerCorner) {
        std::unordered_map<uint64_t, uint32_t> cornerIds;
        cornerIds.reserve(drawn.size());
        auto corner = [&](int32_t p, int32_t n) {
            const uint64_t key = (static_cast<uint64_t>(p) << 32) | static_cast<uint32_t>(n);
            const auto [it, added] =
                cornerIds.emplace(key, static_cast<uint32_t>(out.corners.size() / 6));
            if (added) {
                append(out.corners, mesh.points[p]);
                append(out.corners, mesh.normals[n]);
            }
            out.triangles.push_back(it->second);
        };
        for (uint32_t t : drawn) {
            const IndexTriple& c = mesh.coordIndex[t];
            const IndexTriple& n = mesh.normalIndex[t];
            corner(c.a, n.a);
            corner(c.b, n.b);
            corner(c.c, n.c);
        }
        if (!drawn.empty()) {
            const Vec3d& last = mesh.normals[mesh.normalIndex[drawn.back()].c];
            out.lastNormal[0] = static_cast<float>(last.x);
            out.lastNormal[1] = static_cast<float>(last.y);
            out.lastNormal[2] = static_cast<float>(last.z);
            out.hasLastNormal = true;
        }
    } else {
        for (uint32_t t : drawn) {
            const IndexTriple& c = mesh.coordIndex[t];
            out.triangles.push_back(static_cast<uint32_t>(c.a));
            out.triangles.push_back(static_cast<uint32_t>(c.b));
            out.triangles.push_back(static_cast<uint32_t>(c.c));
        }
    }

    // A directed edge drawn twice covers the same pixels at the same depths twice: keeping one
    // changes nothing. The reverse direction is kept, as a line need not cover the same pixels
    // both ways.
    std::unordered_set<uint64_t> seen;
    seen.reserve(3 * drawn.size());
    out.edges.reserve(6 * drawn.size());
    auto addEdge = [&](int32_t a, int32_t b) {
        const uint64_t key = (static_cast<uint64_t>(a) << 32) | static_cast<uint32_t>(b);
        if (seen.insert(key).second) {
            out.edges.push_back(static_cast<uint32_t>(a));
            out.edges.push_back(static_cast<uint32_t>(b));
        }
    };
    for (uint32_t t : drawn) {
        const IndexTriple& c = mesh.coordIndex[t];
        addEdge(c.a, c.b);
        addEdge(c.b, c.c);
        addEdge(c.c, c.a);
    }

    out.triangleRuns = makeRuns(drawn.size(), 3, mesh, [&](size_t p, int k) {
        const IndexTriple& c = mesh.coordIndex[drawn[p]];
        return k == 0 ? c.a : k == 1 ? c.b : c.c;
    });
    out.edgeRuns =
        makeRuns(out.edgeCount(), 2, mesh, [&](size_t p, int k) { return out.edges[2 * p + k]; });
    for (const ArrayRun& run : out.triangleRuns) {
        out.bounds.add(run.box.lo[0], run.box.lo[1], run.box.lo[2]);
        out.bounds.add(run.box.hi[0], run.box.hi[1], run.box.hi[2]);
    }
    return out;
}

const MeshArrays& drawingArrays(const Mesh& mesh) {
    if (!mesh.arrays || !arraysMatch(*mesh.arrays, mesh)) {
        mesh.arrays = std::make_unique<MeshArrays>(buildMeshArrays(mesh));
    }
    return *mesh.arrays;
}
