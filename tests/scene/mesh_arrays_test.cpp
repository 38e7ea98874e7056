#include "scene/mesh_arrays.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <new>
#include <set>
#include <utility>

#include "scene/mesh.h"
#include "scene/mesh_drawings.h"
#include "scene/screen_bounds.h"

namespace {

// Two squares' worth of triangles sharing edges, with normals per corner.
void makeSquare(Mesh& mesh) {
    mesh.points = {{-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 0.5}};
    mesh.coordIndex = {{0, 1, 2}, {0, 2, 3}};
    mesh.normals = {{0, 0, 1}, {0, 0.6, 0.8}};
    mesh.normalIndex = {{0, 0, 0}, {0, 0, 1}};
}

std::vector<std::pair<uint32_t, uint32_t>> pairs(const std::vector<uint32_t>& list) {
    std::vector<std::pair<uint32_t, uint32_t>> out;
    for (size_t i = 0; i + 1 < list.size(); i += 2) {
        out.emplace_back(list[i], list[i + 1]);
    }
    return out;
}

// The point and the normal that vertex `v` of per-corner arrays holds.
std::pair<Vec3d, Vec3d> vertexAt(const MeshArrays& arrays, uint32_t v) {
    const float* f = &arrays.vertices[6 * static_cast<size_t>(v)];
    return {{f[0], f[1], f[2]}, {f[3], f[4], f[5]}};
}

Vec3d rounded(const Vec3d& v) {
    return {static_cast<float>(v.x), static_cast<float>(v.y), static_cast<float>(v.z)};
}

TEST(MeshArraysTest, IndexedCornersReproduceEveryTriangleInOrder) {
    Mesh mesh("square.wrl");
    makeSquare(mesh);
    const MeshArrays arrays = buildMeshArrays(mesh);
    ASSERT_EQ(arrays.normals, MeshArrays::Normals::PerCorner);
    ASSERT_EQ(arrays.triangleCount, 2u);
    // Corner (point 0, normal 0) and (point 2, normal 0) are shared; (3, 1) is its own.
    EXPECT_EQ(arrays.vertexCount, 4u);
    EXPECT_EQ(arrays.vertices.size(), 6u * 4);
    for (size_t t = 0; t < 2; ++t) {
        const IndexTriple& p = mesh.coordIndex[t];
        const IndexTriple& n = mesh.normalIndex[t];
        const int32_t points[3] = {p.a, p.b, p.c};
        const int32_t normals[3] = {n.a, n.b, n.c};
        for (int k = 0; k < 3; ++k) {
            const auto [point, normal] = vertexAt(arrays, arrays.triangles[3 * t + k]);
            EXPECT_EQ(point, rounded(mesh.points[points[k]]));
            EXPECT_EQ(normal, rounded(mesh.normals[normals[k]]));
        }
    }
    // What the immediate pass leaves current: the last corner's normal.
    EXPECT_TRUE(arrays.hasLastNormal);
    EXPECT_EQ(arrays.lastNormal[1], 0.6f);
    EXPECT_EQ(arrays.lastNormal[2], 0.8f);
}

// A random Mesh whose points meet several normals each, with repeated and degenerate triangles:
// every corner is reproduced, each (point, normal) pair has one vertex, every undirected edge of
// a triangle is in the edge list exactly once, and the outlines hold each triangle's directed
// edges exactly once.
TEST(MeshArraysTest, VerticesEdgesAndOutlinesMatchTheTriangles) {
    Mesh mesh("random.wrl");
    uint32_t seed = 12345;
    auto next = [&](int range) {
        seed = seed * 1664525u + 1013904223u;
        return static_cast<int32_t>((seed >> 8) % static_cast<uint32_t>(range));
    };
    for (int i = 0; i < 60; ++i) {
        mesh.points.push_back({0.1 * i, 0.3 * (i % 7), -0.05 * i});
    }
    for (int i = 0; i < 5; ++i) {
        mesh.normals.push_back({0, 0.2 * i, 1});
    }
    for (int t = 0; t < 400; ++t) {
        mesh.coordIndex.push_back({next(60), next(60), next(60)});
        mesh.normalIndex.push_back({next(5), next(5), next(5)});
    }
    mesh.coordIndex.push_back({3, 3, 4});  // repeated corners
    mesh.normalIndex.push_back({0, 1, 0});
    mesh.coordIndex.push_back(mesh.coordIndex[0]);  // a repeated triangle
    mesh.normalIndex.push_back(mesh.normalIndex[0]);
    MeshArrays arrays = buildMeshArrays(mesh);
    addOutlines(arrays);
    ASSERT_EQ(arrays.normals, MeshArrays::Normals::PerCorner);
    ASSERT_EQ(arrays.triangleCount, mesh.coordIndex.size());

    std::set<std::vector<float>> distinct;  // the vertices' six floats
    std::set<std::pair<uint32_t, uint32_t>> undirected, directed;
    auto pointOf = [&](uint32_t v) {
        const Vec3d p = vertexAt(arrays, v).first;
        for (uint32_t i = 0; i < mesh.points.size(); ++i) {
            if (rounded(mesh.points[i]) == p) {
                return i;
            }
        }
        return UINT32_MAX;
    };
    for (size_t t = 0; t < mesh.coordIndex.size(); ++t) {
        const IndexTriple& p = mesh.coordIndex[t];
        const IndexTriple& n = mesh.normalIndex[t];
        const int32_t points[3] = {p.a, p.b, p.c};
        const int32_t normals[3] = {n.a, n.b, n.c};
        for (int k = 0; k < 3; ++k) {
            const uint32_t v = arrays.triangles[3 * t + k];
            EXPECT_EQ(vertexAt(arrays, v), std::make_pair(rounded(mesh.points[points[k]]),
                                                          rounded(mesh.normals[normals[k]])));
            distinct.insert({&arrays.vertices[6 * v], &arrays.vertices[6 * v + 6]});
            const uint32_t a = static_cast<uint32_t>(points[k]);
            const uint32_t b = static_cast<uint32_t>(points[(k + 1) % 3]);
            undirected.insert({std::min(a, b), std::max(a, b)});
            directed.insert({v, arrays.triangles[3 * t + (k + 1) % 3]});
        }
    }
    EXPECT_EQ(distinct.size(), arrays.vertexCount);

    std::set<std::pair<uint32_t, uint32_t>> drawnEdges;
    for (const auto& [a, b] : pairs(arrays.edges)) {
        const uint32_t pa = pointOf(a), pb = pointOf(b);
        EXPECT_LE(pa, pb);
        EXPECT_TRUE(drawnEdges.insert({pa, pb}).second) << "edge drawn twice: " << pa << "-" << pb;
    }
    EXPECT_EQ(drawnEdges, undirected);
    EXPECT_EQ(arrays.edgeCount, undirected.size());

    const auto outlines = pairs(arrays.outlines);
    const std::set<std::pair<uint32_t, uint32_t>> outlineSet(outlines.begin(), outlines.end());
    EXPECT_EQ(outlineSet, directed);
    EXPECT_EQ(outlines.size(), directed.size());
    EXPECT_EQ(arrays.outlineCount, directed.size());
}

// Triangles with a bad point index are dropped everywhere; a triangle without usable normals
// marks the Mesh as one only the straightforward pass can draw (it keeps the last normal).
TEST(MeshArraysTest, BrokenIndicesAreSkippedAndPartialNormalsDetected) {
    Mesh mesh("square.wrl");
    makeSquare(mesh);
    mesh.coordIndex = {{0, 1, 2}, {0, 1, 4}, {-1, 0, 1}, {0, 2, 3}};
    mesh.normalIndex = {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 2}};
    MeshArrays arrays = buildMeshArrays(mesh);
    EXPECT_EQ(arrays.triangleCount, 2u);
    EXPECT_EQ(arrays.normals, MeshArrays::Normals::Partial);
    EXPECT_EQ(arrays.edgeCount, 5u);  // the square's sides and its diagonal
    for (uint32_t i : arrays.edges) {
        EXPECT_LT(i, mesh.points.size());
    }

    mesh.normalIndex.pop_back();  // too few entries
    EXPECT_EQ(buildMeshArrays(mesh).normals, MeshArrays::Normals::Partial);

    mesh.normals.clear();
    mesh.normalIndex.clear();
    arrays = buildMeshArrays(mesh);
    EXPECT_EQ(arrays.normals, MeshArrays::Normals::None);
    EXPECT_FALSE(arrays.hasLastNormal);
    const std::vector<uint32_t> triangles = {0, 1, 2, 0, 2, 3};  // straight into points
    EXPECT_EQ(arrays.triangles, triangles);

    mesh.points.clear();  // every triangle now points outside: none drawn, nothing read
    arrays = buildMeshArrays(mesh);
    EXPECT_EQ(arrays.triangleCount, 0u);
    EXPECT_EQ(arrays.edgeCount, 0u);
    EXPECT_TRUE(arrays.bounds.empty());
}

TEST(MeshArraysTest, RunsCoverEveryPrimitiveOnceInsideTheirBoxes) {
    Mesh mesh("strip.wrl");
    const int n = 700;  // several runs, the last one short
    for (int i = 0; i <= n + 1; ++i) {
        mesh.points.push_back({0.01 * i, (i % 2) * 0.5, -0.002 * i});
    }
    for (int i = 0; i < n; ++i) {
        mesh.coordIndex.push_back({i, i + 1, i + 2});
    }
    mesh.normals = {{0, 0, 1}};
    mesh.normalIndex.assign(n, {0, 0, 0});
    const MeshArrays arrays = buildMeshArrays(mesh);
    auto check = [&](const std::vector<ArrayRun>& runs, size_t count, size_t per,
                     const std::vector<uint32_t>& indices) {
        uint32_t next = 0;
        for (const ArrayRun& run : runs) {
            EXPECT_EQ(run.first, next);
            EXPECT_GT(run.count, 0u);
            EXPECT_LE(run.count, ARRAY_RUN_LENGTH);
            for (size_t i = per * run.first; i < per * (run.first + run.count); ++i) {
                const float* p = &arrays.vertices[6 * indices[i]];
                for (int k = 0; k < 3; ++k) {
                    EXPECT_GE(p[k], run.box.lo[k]);
                    EXPECT_LE(p[k], run.box.hi[k]);
                    EXPECT_GE(p[k], arrays.bounds.lo[k]);
                    EXPECT_LE(p[k], arrays.bounds.hi[k]);
                }
            }
            next += run.count;
        }
        EXPECT_EQ(next, count);
    };
    check(arrays.triangleRuns, arrays.triangleCount, 3, arrays.triangles);
    check(arrays.edgeRuns, arrays.edgeCount, 2, arrays.edges);
    EXPECT_GT(arrays.triangleRuns.size(), 2u);
    EXPECT_GT(arrays.edgeRuns.size(), 3u);
}

// The drawing side keeps arrays by Mesh, and forgets them when the Mesh goes away: a new Mesh
// made at the same address gets its own.
// A fan whose centre meets a different normal in each of its 40 triangles (more than a point's
// chain holds), an invalid triangle in between, and a point used with two normals: every corner
// is one vertex per distinct (point, normal) pair, and the vertex list written in pieces of any
// size is the list built whole.
TEST(MeshArraysTest, VerticesWrittenInPiecesAreTheWholeList) {
    Mesh fan("fan.wrl");
    fan.points.push_back({0, 0, 0});
    for (int i = 0; i <= 40; ++i) {
        fan.points.push_back({std::cos(i * 0.15), std::sin(i * 0.15), 0.1 * i});
    }
    for (int i = 0; i < 40; ++i) {
        fan.coordIndex.push_back({0, i + 1, i + 2});
        fan.normals.push_back({0, 0.01 * i, 1});
        fan.normalIndex.push_back({i, i, i});
        if (i == 20) {
            fan.coordIndex.push_back({0, 1, 99});
            fan.normalIndex.push_back({0, 0, 0});
        }
    }
    fan.coordIndex.push_back({0, 1, 2});  // the first triangle again: no new vertex
    fan.normalIndex.push_back({0, 0, 0});
    Mesh square("square.wrl");
    makeSquare(square);
    Mesh bare("bare.wrl");
    makeSquare(bare);
    bare.normals.clear();
    bare.normalIndex.clear();
    for (const Mesh* mesh : {&fan, &square, &bare}) {
        const MeshArrays whole = buildMeshArrays(*mesh);
        const MeshArrays lean = buildMeshArrays(*mesh, false);
        EXPECT_TRUE(lean.vertices.empty());
        EXPECT_EQ(lean.triangles, whole.triangles) << mesh->name;
        EXPECT_EQ(lean.edges, whole.edges) << mesh->name;
        for (const size_t piece : {size_t{1}, size_t{7}, size_t{1000}}) {
            std::vector<float> written;
            size_t expectedFirst = 0;
            writeVertices(*mesh, lean, piece, [&](size_t first, const float* f, size_t count) {
                EXPECT_EQ(first, expectedFirst);
                EXPECT_LE(count, piece);
                expectedFirst += count;
                written.insert(written.end(), f, f + count * lean.vertexFloats());
            });
            EXPECT_EQ(written, whole.vertices) << mesh->name << " in pieces of " << piece;
        }
    }
    const MeshArrays arrays = buildMeshArrays(fan);
    std::set<std::pair<int32_t, int32_t>> pairs;
    for (size_t t = 0; t < fan.coordIndex.size(); ++t) {
        const IndexTriple& p = fan.coordIndex[t];
        const IndexTriple& n = fan.normalIndex[t];
        if (p.c != 99) {
            pairs.insert({{p.a, n.a}, {p.b, n.b}, {p.c, n.c}});
        }
    }
    EXPECT_EQ(arrays.vertexCount, pairs.size());
    for (size_t t = 0, drawn = 0; t < fan.coordIndex.size(); ++t) {
        if (fan.coordIndex[t].c == 99) {
            continue;
        }
        const auto [point, normal] = vertexAt(arrays, arrays.triangles[3 * drawn++]);
        EXPECT_EQ(point, rounded(fan.points[0]));
        EXPECT_EQ(normal, rounded(fan.normals[fan.normalIndex[t].a])) << t;
    }
}

TEST(MeshDrawingsTest, ArraysAreKeptPerMeshAndGoWithIt) {
    alignas(Mesh) unsigned char storage[sizeof(Mesh)];
    Mesh* first = new (storage) Mesh("square.wrl");
    makeSquare(*first);
    const MeshArrays* kept = &clientArrays(*first, false);
    EXPECT_EQ(&clientArrays(*first, false), kept);
    EXPECT_EQ(kept->triangleCount, 2u);
    EXPECT_FALSE(kept->hasOutlines);
    EXPECT_TRUE(clientArrays(*first, true).hasOutlines);
    first->~Mesh();

    Mesh* second = new (storage) Mesh("triangle.wrl");
    makeSquare(*second);
    second->coordIndex.pop_back();
    second->normalIndex.pop_back();
    EXPECT_EQ(clientArrays(*second, false).triangleCount, 1u);
    EXPECT_FALSE(clientArrays(*second, false).hasOutlines);
    second->~Mesh();
}

// An orthographic box of half-size 2 on a 200 by 100 viewport: world (x, y) lands on pixel
// (50 (x + 2), 25 (y + 2)).
struct OrthoView {
    Matrix4d clip = {0.5, 0, 0, 0, 0, 0.5, 0, 0, 0, 0, -0.01, 0, 0, 0, 0, 1};
    int viewport[4] = {0, 0, 200, 100};
};

Box3 box(double x0, double y0, double x1, double y1) {
    Box3 b;
    b.add(x0, y0, -1);
    b.add(x1, y1, 1);
    return b;
}

TEST(ScreenBoundsTest, BoxesReachOnlyPixelsNearTheirProjection) {
    const OrthoView v;
    const PixelRect pixel{100, 50, 101, 51};  // world (0, 0)
    EXPECT_TRUE(boxMayTouch(v.clip, box(-0.1, -0.1, 0.1, 0.1), v.viewport, pixel, 3));
    EXPECT_FALSE(boxMayTouch(v.clip, box(0.5, -0.1, 0.7, 0.1), v.viewport, pixel, 3));
    EXPECT_FALSE(boxMayTouch(v.clip, box(-0.1, 0.5, 0.1, 0.7), v.viewport, pixel, 3));
    // 0.1 world units right of the pixel: 5 pixels away, within a margin of 6 but not of 3.
    EXPECT_FALSE(boxMayTouch(v.clip, box(0.1, 0, 0.2, 0), v.viewport, pixel, 3));
    EXPECT_TRUE(boxMayTouch(v.clip, box(0.1, 0, 0.2, 0), v.viewport, pixel, 6));
    EXPECT_FALSE(boxMayTouch(v.clip, Box3{}, v.viewport, pixel, 3));
}

TEST(ScreenBoundsTest, BehindTheEyeOrNotFiniteMayAlwaysTouch) {
    OrthoView v;
    const PixelRect pixel{0, 0, 1, 1};
    const Box3 far = box(1.5, 1.5, 1.9, 1.9);
    EXPECT_FALSE(boxMayTouch(v.clip, far, v.viewport, pixel, 3));
    // A perspective-like matrix whose w turns negative inside the box.
    Matrix4d perspective = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 1, 0, 0, 0, 0.5};
    EXPECT_TRUE(boxMayTouch(perspective, far, v.viewport, pixel, 3));
    v.clip[0] = std::nan("");
    EXPECT_TRUE(boxMayTouch(v.clip, far, v.viewport, pixel, 3));
}

TEST(ScreenBoundsTest, MultipliesInGlOrder) {
    const Matrix4d translate = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 3, 4, 5, 1};
    const Matrix4d scale = {2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 1};
    Matrix4d out;
    multiply4d(translate, scale, out);  // scale first, then translate
    EXPECT_EQ(out[0], 2);
    EXPECT_EQ(out[12], 3);
    EXPECT_EQ(out[14], 5);
    multiply4d(scale, translate, out);
    EXPECT_EQ(out[12], 6);
    EXPECT_EQ(out[14], 10);
}

}  // namespace
