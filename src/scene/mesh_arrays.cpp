#include "scene/mesh_arrays.h"

#include <algorithm>
#include <unordered_map>

#include "scene/index_range.h"
#include "scene/mesh.h"

namespace {

using Normals = MeshArrays::Normals;

// Indices are stored unsigned 32-bit, and GL counts them in a signed 32-bit size.
bool fitsIndices(const Mesh& mesh) {
    return mesh.points.size() <= UINT32_MAX &&
           mesh.coordIndex.size() <= static_cast<size_t>(INT32_MAX) / 6;
}

// Calls draw(t, corners) for every triangle whose point indices are valid, in Mesh order.
template <typename Draw>
void forEachDrawnTriangle(const Mesh& mesh, Draw draw) {
    for (size_t t = 0; t < mesh.coordIndex.size(); ++t) {
        if (validTriple(mesh.coordIndex[t], mesh.points.size())) {
            draw(t, mesh.coordIndex[t]);
        }
    }
}

// How many triangles are drawn, and how they get their normals.
struct TriangleSurvey {
    size_t drawn = 0;
    Normals normals = Normals::None;
};

TriangleSurvey surveyTriangles(const Mesh& mesh) {
    TriangleSurvey survey;
    bool allNormals = true;
    forEachDrawnTriangle(mesh, [&](size_t t, const IndexTriple&) {
        ++survey.drawn;
        allNormals = allNormals && t < mesh.normalIndex.size() &&
                     validTriple(mesh.normalIndex[t], mesh.normals.size());
    });
    if (mesh.normals.empty()) {
        survey.normals = Normals::None;
    } else {
        survey.normals = allNormals ? Normals::PerCorner : Normals::Partial;
    }
    return survey;
}

void append(std::vector<float>& out, const Vec3d& v) {
    out.push_back(static_cast<float>(v.x));
    out.push_back(static_cast<float>(v.y));
    out.push_back(static_cast<float>(v.z));
}

// Without normals per corner the vertices are the points, and the triangles index them directly.
void buildPointVertices(const Mesh& mesh, size_t drawn, MeshArrays& out) {
    out.vertices.reserve(3 * mesh.points.size());
    for (const Vec3d& p : mesh.points) {
        append(out.vertices, p);
    }
    out.triangles.reserve(3 * drawn);
    forEachDrawnTriangle(mesh, [&](size_t, const IndexTriple& c) {
        out.triangles.insert(
            out.triangles.end(),
            {static_cast<uint32_t>(c.a), static_cast<uint32_t>(c.b), static_cast<uint32_t>(c.c)});
    });
}

// One vertex per distinct (point, normal) pair, so that GL transforms and lights each corner once
// rather than once per triangle; the corners are the same, so are the pixels. Most points meet a
// single normal (smooth models): each point keeps its first pair at hand, and only further pairs
// go through a hash map. Returns the vertex of each point's first pair (none for unused points).
std::vector<uint32_t> buildCornerVertices(const Mesh& mesh, size_t drawn, MeshArrays& out) {
    std::vector<uint32_t> firstVertex(mesh.points.size(), UINT32_MAX);
    std::vector<int32_t> firstNormal(mesh.points.size(), -1);
    std::unordered_map<uint64_t, uint32_t> furtherPairs;
    out.vertices.reserve(6 * mesh.points.size());
    auto newVertex = [&](int32_t p, int32_t n) {
        append(out.vertices, mesh.points[p]);
        append(out.vertices, mesh.normals[n]);
        return static_cast<uint32_t>(out.vertices.size() / 6 - 1);
    };
    auto vertexOf = [&](int32_t p, int32_t n) {
        if (firstNormal[p] == n) {
            return firstVertex[p];
        }
        if (firstNormal[p] < 0) {
            firstNormal[p] = n;
            firstVertex[p] = newVertex(p, n);
            return firstVertex[p];
        }
        const uint64_t key = (static_cast<uint64_t>(p) << 32) | static_cast<uint32_t>(n);
        const auto found = furtherPairs.find(key);
        if (found != furtherPairs.end()) {
            return found->second;
        }
        const uint32_t vertex = newVertex(p, n);
        furtherPairs.emplace(key, vertex);
        return vertex;
    };
    out.triangles.reserve(3 * drawn);
    forEachDrawnTriangle(mesh, [&](size_t t, const IndexTriple& c) {
        const IndexTriple& n = mesh.normalIndex[t];
        out.triangles.insert(out.triangles.end(),
                             {vertexOf(c.a, n.a), vertexOf(c.b, n.b), vertexOf(c.c, n.c)});
    });
    return firstVertex;
}

// What the straightforward pass leaves current: the normal of the last corner it drew.
void setLastNormal(const Mesh& mesh, MeshArrays& out) {
    size_t last = mesh.coordIndex.size();
    while (last > 0 && !validTriple(mesh.coordIndex[last - 1], mesh.points.size())) {
        --last;
    }
    if (out.normals != Normals::PerCorner || last == 0) {
        return;
    }
    --last;
    const Vec3d& n = mesh.normals[mesh.normalIndex[last].c];
    out.lastNormal[0] = static_cast<float>(n.x);
    out.lastNormal[1] = static_cast<float>(n.y);
    out.lastNormal[2] = static_cast<float>(n.z);
    out.hasLastNormal = true;
}

// Sorts a range that is usually a handful of elements long (the edges of a point).
void sortSmall(std::vector<uint32_t>::iterator begin, std::vector<uint32_t>::iterator end) {
    if (end - begin > 16) {
        std::sort(begin, end);
        return;
    }
    for (auto i = begin; i != end; ++i) {
        const uint32_t value = *i;
        auto j = i;
        for (; j != begin && *(j - 1) > value; --j) {
            *j = *(j - 1);
        }
        *j = value;
    }
}

// Every undirected edge of the drawn triangles once. The edges are grouped by their lower point
// (a counting sort) and each small group sorted and made distinct, which needs no hash table of
// millions of entries. `pointVertex` maps points to vertices; empty when they are the same.
void buildEdges(const Mesh& mesh, const std::vector<uint32_t>& pointVertex, MeshArrays& out) {
    const size_t pointCount = mesh.points.size();
    auto forEachEdge = [&](auto visit) {
        forEachDrawnTriangle(mesh, [&](size_t, const IndexTriple& c) {
            const uint32_t a = static_cast<uint32_t>(c.a), b = static_cast<uint32_t>(c.b),
                           d = static_cast<uint32_t>(c.c);
            visit(std::min(a, b), std::max(a, b));
            visit(std::min(b, d), std::max(b, d));
            visit(std::min(d, a), std::max(d, a));
        });
    };
    // groupStart[p]: first entry of point p's group in `higher`, after the second pass.
    std::vector<uint32_t> groupStart(pointCount + 1, 0);
    forEachEdge([&](uint32_t low, uint32_t) { ++groupStart[low]; });
    uint32_t total = 0;
    for (size_t p = 0; p < pointCount; ++p) {
        total += groupStart[p];
        groupStart[p] = total;
    }
    groupStart[pointCount] = total;
    std::vector<uint32_t> higher(total);
    forEachEdge([&](uint32_t low, uint32_t high) { higher[--groupStart[low]] = high; });

    // Sorts each group and moves its distinct entries down to the front of the list.
    uint32_t kept = 0;
    for (size_t p = 0; p < pointCount; ++p) {
        const auto begin = higher.begin() + groupStart[p];
        const auto end = higher.begin() + groupStart[p + 1];
        sortSmall(begin, end);
        groupStart[p] = kept;
        kept = static_cast<uint32_t>(std::unique_copy(begin, end, higher.begin() + kept) -
                                     higher.begin());
    }
    groupStart[pointCount] = kept;

    auto vertex = [&](uint32_t p) { return pointVertex.empty() ? p : pointVertex[p]; };
    out.edges.reserve(2 * static_cast<size_t>(kept));
    for (size_t p = 0; p < pointCount; ++p) {
        for (uint32_t i = groupStart[p]; i < groupStart[p + 1]; ++i) {
            out.edges.push_back(vertex(static_cast<uint32_t>(p)));
            out.edges.push_back(vertex(higher[i]));
        }
    }
}

// Cuts a list of primitives (`per` vertex indices each) into runs and boxes each run.
std::vector<ArrayRun> makeRuns(const std::vector<uint32_t>& indices, size_t per,
                               const MeshArrays& arrays) {
    const size_t floats = static_cast<size_t>(arrays.vertexFloats());
    const size_t count = indices.size() / per;
    std::vector<ArrayRun> runs;
    runs.reserve((count + ARRAY_RUN_LENGTH - 1) / ARRAY_RUN_LENGTH);
    for (size_t first = 0; first < count; first += ARRAY_RUN_LENGTH) {
        ArrayRun run;
        run.first = static_cast<uint32_t>(first);
        run.count = static_cast<uint32_t>(std::min<size_t>(ARRAY_RUN_LENGTH, count - first));
        const float* v = &arrays.vertices[floats * indices[per * first]];
        float lo[3] = {v[0], v[1], v[2]}, hi[3] = {v[0], v[1], v[2]};
        for (size_t i = per * first + 1; i < per * (first + run.count); ++i) {
            v = &arrays.vertices[floats * indices[i]];
            for (int k = 0; k < 3; ++k) {
                lo[k] = std::min(lo[k], v[k]);
                hi[k] = std::max(hi[k], v[k]);
            }
        }
        run.box.add(lo[0], lo[1], lo[2]);
        run.box.add(hi[0], hi[1], hi[2]);
        runs.push_back(run);
    }
    return runs;
}

void buildRuns(MeshArrays& out) {
    out.triangleRuns = makeRuns(out.triangles, 3, out);
    out.edgeRuns = makeRuns(out.edges, 2, out);
    for (const ArrayRun& run : out.triangleRuns) {
        out.bounds.add(run.box.lo[0], run.box.lo[1], run.box.lo[2]);
        out.bounds.add(run.box.hi[0], run.box.hi[1], run.box.hi[2]);
    }
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

void MeshArrays::releaseLists() {
    std::vector<float>().swap(vertices);
    std::vector<uint32_t>().swap(triangles);
    std::vector<uint32_t>().swap(edges);
    std::vector<uint32_t>().swap(outlines);
}

MeshArrays buildMeshArrays(const Mesh& mesh) {
    MeshArrays out;
    if (!fitsIndices(mesh)) {
        out.packed = false;
        return out;
    }
    const TriangleSurvey survey = surveyTriangles(mesh);
    out.normals = survey.normals;
    if (out.normals == Normals::PerCorner) {
        const std::vector<uint32_t> pointVertex = buildCornerVertices(mesh, survey.drawn, out);
        buildEdges(mesh, pointVertex, out);
    } else {
        buildPointVertices(mesh, survey.drawn, out);
        buildEdges(mesh, {}, out);
    }
    setLastNormal(mesh, out);
    buildRuns(out);
    out.vertexCount = out.vertices.size() / static_cast<size_t>(out.vertexFloats());
    out.triangleCount = out.triangles.size() / 3;
    for (size_t t =
             mesh.coordIndex.size() - std::min(mesh.twoSidedTriangles, mesh.coordIndex.size());
         t < mesh.coordIndex.size(); ++t) {
        out.twoSidedCount += validTriple(mesh.coordIndex[t], mesh.points.size()) ? 1 : 0;
    }
    out.edgeCount = out.edges.size() / 2;
    return out;
}

void addOutlines(MeshArrays& arrays) {
    // A directed edge drawn twice covers the same pixels at the same depths twice: keeping one
    // changes nothing. Both directions stay, as a line need not cover the same pixels both ways.
    std::vector<uint64_t> directed;
    directed.reserve(arrays.triangles.size());
    auto key = [](uint32_t from, uint32_t to) { return (static_cast<uint64_t>(from) << 32) | to; };
    for (size_t i = 0; i + 2 < arrays.triangles.size(); i += 3) {
        const uint32_t a = arrays.triangles[i], b = arrays.triangles[i + 1],
                       c = arrays.triangles[i + 2];
        directed.insert(directed.end(), {key(a, b), key(b, c), key(c, a)});
    }
    std::sort(directed.begin(), directed.end());
    directed.erase(std::unique(directed.begin(), directed.end()), directed.end());
    arrays.outlines.clear();
    arrays.outlines.reserve(2 * directed.size());
    for (const uint64_t edge : directed) {
        arrays.outlines.push_back(static_cast<uint32_t>(edge >> 32));
        arrays.outlines.push_back(static_cast<uint32_t>(edge));
    }
    arrays.outlineCount = directed.size();
    arrays.hasOutlines = true;
}
