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
void buildPointTriangles(const Mesh& mesh, size_t drawn, MeshArrays& out) {
    out.vertexCount = mesh.points.size();
    out.triangles.reserve(3 * drawn);
    forEachDrawnTriangle(mesh, [&](size_t, const IndexTriple& c) {
        out.triangles.insert(
            out.triangles.end(),
            {static_cast<uint32_t>(c.a), static_cast<uint32_t>(c.b), static_cast<uint32_t>(c.c)});
    });
}

constexpr uint32_t NO_VERTEX = UINT32_MAX;
// The pairs of a point are looked up in a chain this long; a point with more (a fan of flat
// triangles) keeps the rest in a hash map, so that no lookup walks far.
constexpr int CHAIN_LENGTH = 8;

// One vertex per distinct (point, normal) pair, numbered in the order the triangles first use
// them, so that GL transforms and lights each corner once rather than once per triangle; the
// corners are the same, so are the pixels. Fills the triangles list and the vertex count; the
// vertices themselves are written by VertexWriter, which walks the triangles in the same order.
// Returns the vertex of each point's first pair (none for unused points).
std::vector<uint32_t> buildCornerTriangles(const Mesh& mesh, size_t drawn, MeshArrays& out) {
    std::vector<uint32_t> firstVertex(mesh.points.size(), NO_VERTEX);
    // Per vertex: its normal, and the next vertex of the same point.
    std::vector<int32_t> vertexNormal;
    std::vector<uint32_t> nextVertex;
    vertexNormal.reserve(mesh.points.size());
    nextVertex.reserve(mesh.points.size());
    std::unordered_map<uint64_t, uint32_t> furtherPairs;
    out.cornerStartsVertex.reserve(3 * drawn);
    auto newVertex = [&](int32_t n) {
        vertexNormal.push_back(n);
        nextVertex.push_back(NO_VERTEX);
        out.cornerStartsVertex.back() = true;
        return static_cast<uint32_t>(vertexNormal.size() - 1);
    };
    auto vertexOf = [&](int32_t p, int32_t n) {
        out.cornerStartsVertex.push_back(false);
        uint32_t v = firstVertex[p];
        if (v == NO_VERTEX) {
            firstVertex[p] = newVertex(n);
            return firstVertex[p];
        }
        int steps = 1;
        while (vertexNormal[v] != n) {
            if (nextVertex[v] == NO_VERTEX || steps == CHAIN_LENGTH) {
                break;
            }
            v = nextVertex[v];
            ++steps;
        }
        if (vertexNormal[v] == n) {
            return v;
        }
        if (steps < CHAIN_LENGTH) {
            const uint32_t added = newVertex(n);
            nextVertex[v] = added;
            return added;
        }
        const uint64_t key = (static_cast<uint64_t>(p) << 32) | static_cast<uint32_t>(n);
        const auto [entry, added] = furtherPairs.try_emplace(key, 0);
        if (added) {
            entry->second = newVertex(n);
        }
        return entry->second;
    };
    out.triangles.reserve(3 * drawn);
    forEachDrawnTriangle(mesh, [&](size_t t, const IndexTriple& c) {
        const IndexTriple& n = mesh.normalIndex[t];
        out.triangles.insert(out.triangles.end(),
                             {vertexOf(c.a, n.a), vertexOf(c.b, n.b), vertexOf(c.c, n.c)});
    });
    out.vertexCount = vertexNormal.size();
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
// millions of entries. Each edge is a pair of points here; buildMeshArrays maps them to vertices.
void buildEdges(const Mesh& mesh, MeshArrays& out) {
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

    out.edges.reserve(2 * static_cast<size_t>(kept));
    for (size_t p = 0; p < pointCount; ++p) {
        for (uint32_t i = groupStart[p]; i < groupStart[p + 1]; ++i) {
            out.edges.push_back(static_cast<uint32_t>(p));
            out.edges.push_back(higher[i]);
        }
    }
}

// Boxes around runs of ARRAY_RUN_LENGTH primitives, fed with each primitive's corners in order.
class RunBuilder {
public:
    explicit RunBuilder(size_t cornersPerPrimitive) : per_(cornersPerPrimitive) {}

    void add(const Vec3d& point) {
        const float v[3] = {static_cast<float>(point.x), static_cast<float>(point.y),
                            static_cast<float>(point.z)};
        if (corners_ == 0) {
            runs_.push_back(ArrayRun{});
            runs_.back().first = primitives_;
            std::copy(v, v + 3, lo_);
            std::copy(v, v + 3, hi_);
        }
        for (int k = 0; k < 3; ++k) {
            lo_[k] = std::min(lo_[k], v[k]);
            hi_[k] = std::max(hi_[k], v[k]);
        }
        if (++corners_ % per_ == 0) {
            ++primitives_;
            ++runs_.back().count;
            if (runs_.back().count == ARRAY_RUN_LENGTH) {
                close();
            }
        }
    }

    std::vector<ArrayRun> finish() {
        if (corners_ != 0) {
            close();
        }
        return std::move(runs_);
    }

private:
    void close() {
        runs_.back().box.add(lo_[0], lo_[1], lo_[2]);
        runs_.back().box.add(hi_[0], hi_[1], hi_[2]);
        corners_ = 0;
    }

    size_t per_;
    size_t corners_ = 0;  // corners added to the open run
    uint32_t primitives_ = 0;
    float lo_[3] = {0, 0, 0}, hi_[3] = {0, 0, 0};
    std::vector<ArrayRun> runs_;
};

// The runs and bounds, from the Mesh's points (as floats, which is what the vertices hold). The
// edges are still point pairs here.
void buildRuns(const Mesh& mesh, MeshArrays& out) {
    RunBuilder triangles(3);
    forEachDrawnTriangle(mesh, [&](size_t, const IndexTriple& c) {
        triangles.add(mesh.points[c.a]);
        triangles.add(mesh.points[c.b]);
        triangles.add(mesh.points[c.c]);
    });
    out.triangleRuns = triangles.finish();
    RunBuilder edges(2);
    for (const uint32_t p : out.edges) {
        edges.add(mesh.points[p]);
    }
    out.edgeRuns = edges.finish();
    for (const ArrayRun& run : out.triangleRuns) {
        out.bounds.add(run.box.lo[0], run.box.lo[1], run.box.lo[2]);
        out.bounds.add(run.box.hi[0], run.box.hi[1], run.box.hi[2]);
    }
}

int32_t cornerOf(const IndexTriple& t, size_t k) {
    return k == 0 ? t.a : k == 1 ? t.b : t.c;
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
    std::vector<bool>().swap(cornerStartsVertex);
}

MeshArrays buildMeshArrays(const Mesh& mesh, bool withVertices) {
    MeshArrays out;
    if (!fitsIndices(mesh)) {
        out.packed = false;
        return out;
    }
    const TriangleSurvey survey = surveyTriangles(mesh);
    out.normals = survey.normals;
    std::vector<uint32_t> pointVertex;
    if (out.normals == Normals::PerCorner) {
        pointVertex = buildCornerTriangles(mesh, survey.drawn, out);
    } else {
        buildPointTriangles(mesh, survey.drawn, out);
    }
    buildEdges(mesh, out);
    buildRuns(mesh, out);
    if (!pointVertex.empty()) {
        for (uint32_t& end : out.edges) {
            end = pointVertex[end];
        }
    }
    setLastNormal(mesh, out);
    out.triangleCount = out.triangles.size() / 3;
    for (size_t t =
             mesh.coordIndex.size() - std::min(mesh.twoSidedTriangles, mesh.coordIndex.size());
         t < mesh.coordIndex.size(); ++t) {
        out.twoSidedCount += validTriple(mesh.coordIndex[t], mesh.points.size()) ? 1 : 0;
    }
    out.edgeCount = out.edges.size() / 2;
    if (withVertices) {
        out.vertices.reserve(out.vertexCount * static_cast<size_t>(out.vertexFloats()));
        writeVertices(mesh, out, 1 << 16, [&](size_t, const float* floats, size_t count) {
            out.vertices.insert(out.vertices.end(), floats,
                                floats + count * static_cast<size_t>(out.vertexFloats()));
        });
    }
    return out;
}

bool VertexWriter::next(size_t count) {
    piece.clear();
    if (arrays.normals != MeshArrays::Normals::PerCorner) {
        const size_t end = std::min(mesh.points.size(), written + count);
        piece.reserve(3 * (end - written));
        for (; written < end; ++written) {
            append(piece, mesh.points[written]);
        }
        return !piece.empty();
    }
    // The vertices are numbered in the order the triangles first use them: a corner whose vertex
    // is the next number is where that vertex comes from.
    piece.reserve(6 * std::min(count, arrays.vertexCount - written));
    const size_t target = written + count;
    while (written < target && corner < arrays.cornerStartsVertex.size()) {
        if (corner % 3 == 0) {
            while (!validTriple(mesh.coordIndex[triangle], mesh.points.size())) {
                ++triangle;
            }
        }
        const size_t k = corner % 3;
        if (arrays.cornerStartsVertex[corner]) {
            append(piece, mesh.points[cornerOf(mesh.coordIndex[triangle], k)]);
            append(piece, mesh.normals[cornerOf(mesh.normalIndex[triangle], k)]);
            ++written;
        }
        ++corner;
        if (corner % 3 == 0) {
            ++triangle;
        }
    }
    return !piece.empty();
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
