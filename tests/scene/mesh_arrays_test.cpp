#include "scene/mesh_arrays.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>

#include "scene/mesh.h"
#include "scene/screen_bounds.h"

namespace {

// Two squares' worth of triangles sharing edges, with normals per corner.
void makeSquare(Mesh& mesh) {
    mesh.points = {{-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 0.5}};
    mesh.coordIndex = {{0, 1, 2}, {0, 2, 3}};
    mesh.normals = {{0, 0, 1}, {0, 0.6, 0.8}};
    mesh.normalIndex = {{0, 0, 0}, {0, 0, 1}};
}

std::vector<std::pair<uint32_t, uint32_t>> edgePairs(const MeshArrays& arrays) {
    std::vector<std::pair<uint32_t, uint32_t>> pairs;
    for (size_t i = 0; i < arrays.edges.size(); i += 2) {
        pairs.emplace_back(arrays.edges[i], arrays.edges[i + 1]);
    }
    return pairs;
}

TEST(MeshArraysTest, IndexedCornersReproduceEveryTriangleInOrder) {
    Mesh mesh("square.wrl");
    makeSquare(mesh);
    const MeshArrays arrays = buildMeshArrays(mesh);
    ASSERT_EQ(arrays.normals, MeshArrays::Normals::PerCorner);
    ASSERT_EQ(arrays.triangleCount(), 2u);
    // Corner (point 0, normal 0) and (point 2, normal 0) are shared; (3, 1) is its own.
    EXPECT_EQ(arrays.corners.size(), 6u * 4);
    for (size_t t = 0; t < 2; ++t) {
        const IndexTriple& p = mesh.coordIndex[t];
        const IndexTriple& n = mesh.normalIndex[t];
        const int32_t points[3] = {p.a, p.b, p.c};
        const int32_t normals[3] = {n.a, n.b, n.c};
        for (int k = 0; k < 3; ++k) {
            const float* c = &arrays.corners[6 * arrays.triangles[3 * t + k]];
            EXPECT_EQ(c[0], static_cast<float>(mesh.points[points[k]].x));
            EXPECT_EQ(c[1], static_cast<float>(mesh.points[points[k]].y));
            EXPECT_EQ(c[2], static_cast<float>(mesh.points[points[k]].z));
            EXPECT_EQ(c[3], static_cast<float>(mesh.normals[normals[k]].x));
            EXPECT_EQ(c[4], static_cast<float>(mesh.normals[normals[k]].y));
            EXPECT_EQ(c[5], static_cast<float>(mesh.normals[normals[k]].z));
        }
    }
    // What the immediate pass leaves current: the last corner's normal.
    EXPECT_TRUE(arrays.hasLastNormal);
    EXPECT_EQ(arrays.lastNormal[1], 0.6f);
    EXPECT_EQ(arrays.lastNormal[2], 0.8f);
}

TEST(MeshArraysTest, EdgesKeepBothDirectionsButNoRepeatedDirectedEdge) {
    Mesh mesh("square.wrl");
    makeSquare(mesh);
    mesh.coordIndex.push_back({0, 1, 2});  // the first triangle again: nothing new
    mesh.normalIndex.push_back({0, 0, 0});
    const MeshArrays arrays = buildMeshArrays(mesh);
    const std::vector<std::pair<uint32_t, uint32_t>> expected = {{0, 1}, {1, 2}, {2, 0},
                                                                 {0, 2}, {2, 3}, {3, 0}};
    EXPECT_EQ(edgePairs(arrays), expected);
}

// Triangles with a bad point index are dropped everywhere; a triangle without usable normals
// marks the Mesh as one only the straightforward pass can draw (it keeps the last normal).
TEST(MeshArraysTest, BrokenIndicesAreSkippedAndPartialNormalsDetected) {
    Mesh mesh("square.wrl");
    makeSquare(mesh);
    mesh.coordIndex = {{0, 1, 2}, {0, 1, 4}, {-1, 0, 1}, {0, 2, 3}};
    mesh.normalIndex = {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 2}};
    MeshArrays arrays = buildMeshArrays(mesh);
    EXPECT_EQ(arrays.triangleCount(), 2u);
    EXPECT_EQ(arrays.normals, MeshArrays::Normals::Partial);
    EXPECT_EQ(arrays.edgeCount(), 6u);
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
                     const std::vector<uint32_t>& indices, bool viaCorners) {
        uint32_t next = 0;
        for (const ArrayRun& run : runs) {
            EXPECT_EQ(run.first, next);
            EXPECT_GT(run.count, 0u);
            EXPECT_LE(run.count, ARRAY_RUN_LENGTH);
            for (size_t i = per * run.first; i < per * (run.first + run.count); ++i) {
                const float* p =
                    viaCorners ? &arrays.corners[6 * indices[i]] : &arrays.points[3 * indices[i]];
                for (int k = 0; k < 3; ++k) {
                    EXPECT_GE(p[k], run.box.lo[k] - 1e-6);
                    EXPECT_LE(p[k], run.box.hi[k] + 1e-6);
                    EXPECT_GE(p[k], arrays.bounds.lo[k] - 1e-6);
                    EXPECT_LE(p[k], arrays.bounds.hi[k] + 1e-6);
                }
            }
            next += run.count;
        }
        EXPECT_EQ(next, count);
    };
    check(arrays.triangleRuns, arrays.triangleCount(), 3, arrays.triangles, true);
    check(arrays.edgeRuns, arrays.edgeCount(), 2, arrays.edges, false);
    EXPECT_GT(arrays.triangleRuns.size(), 2u);
}

TEST(MeshArraysTest, KeptArraysAreRebuiltWhenTheMeshChanges) {
    Mesh mesh("square.wrl");
    makeSquare(mesh);
    const MeshArrays* first = &drawingArrays(mesh);
    EXPECT_EQ(&drawingArrays(mesh), first);
    EXPECT_EQ(drawingArrays(mesh).triangleCount(), 2u);
    mesh.coordIndex.pop_back();
    mesh.normalIndex.pop_back();
    EXPECT_EQ(drawingArrays(mesh).triangleCount(), 1u);
    mesh.points.clear();  // every triangle now points outside: none drawn, nothing read
    EXPECT_EQ(drawingArrays(mesh).triangleCount(), 0u);
    EXPECT_EQ(drawingArrays(mesh).edgeCount(), 0u);
    EXPECT_TRUE(drawingArrays(mesh).bounds.empty());
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
