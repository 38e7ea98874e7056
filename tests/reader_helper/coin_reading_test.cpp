// The full reading as the reader process runs it, on model texts written for these tests: every
// expected count and point is worked out by hand, or taken from Coin's own triangle callback on
// the same text where Coin's tessellation decides it.
#include <Inventor/SoDB.h>
#include <Inventor/SoInput.h>
#include <Inventor/actions/SoCallbackAction.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoShape.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <utility>

#include "reader_helper/vrml_with_coin.h"

namespace {

const std::string V2 = "#VRML V2.0 utf8\n";
const std::string V1 = "#VRML V1.0 ascii\n";

MeshLists read(const std::string& text, const GraphLimits& limits = {}) {
    MeshLists lists;
    const CoinReadOutcome outcome = readVrmlWithCoin(text, lists, limits);
    EXPECT_TRUE(outcome.parsed) << outcome.message;
    EXPECT_EQ(outcome.message.empty(), !lists.coordIndex.empty()) << outcome.message;
    // Every index inside its list, one normal triple per triangle.
    EXPECT_EQ(lists.normalIndex.size(), lists.coordIndex.size());
    auto inside = [](const IndexTriple& t, size_t n) {
        return t.a >= 0 && t.b >= 0 && t.c >= 0 && static_cast<size_t>(t.a) < n &&
               static_cast<size_t>(t.b) < n && static_cast<size_t>(t.c) < n;
    };
    for (size_t i = 0; i < lists.coordIndex.size(); ++i) {
        EXPECT_TRUE(inside(lists.coordIndex[i], lists.points.size())) << "triangle " << i;
        EXPECT_TRUE(inside(lists.normalIndex[i], lists.normals.size())) << "triangle " << i;
    }
    EXPECT_LE(lists.twoSidedTriangles, lists.coordIndex.size());
    return lists;
}

// What Coin's own triangle callback makes of the text: the yardstick for its tessellations.
size_t coinTriangles(const std::string& text) {
    SoDB::init();
    SoInput input;
    input.setBuffer(text.data(), text.size());
    SoSeparator* root = SoDB::readAll(&input);
    if (!root) {
        return 0;
    }
    root->ref();
    size_t count = 0;
    SoCallbackAction action;
    action.addTriangleCallback(
        SoShape::getClassTypeId(),
        [](void* n, SoCallbackAction*, const SoPrimitiveVertex*, const SoPrimitiveVertex*,
           const SoPrimitiveVertex*) { ++*static_cast<size_t*>(n); },
        &count);
    action.apply(root);
    root->unref();
    return count;
}

struct Box3 {
    Vec3d low{1e300, 1e300, 1e300}, high{-1e300, -1e300, -1e300};
};

Box3 bounds(const MeshLists& lists) {
    Box3 b;
    for (const IndexTriple& t : lists.coordIndex) {
        for (const int32_t i : {t.a, t.b, t.c}) {
            const Vec3d& p = lists.points[static_cast<size_t>(i)];
            b.low = {std::min(b.low.x, p.x), std::min(b.low.y, p.y), std::min(b.low.z, p.z)};
            b.high = {std::max(b.high.x, p.x), std::max(b.high.y, p.y), std::max(b.high.z, p.z)};
        }
    }
    return b;
}

void expectNear(const Vec3d& actual, const Vec3d& expected, const std::string& what) {
    constexpr double EPS = 1e-5;
    EXPECT_TRUE(std::abs(actual.x - expected.x) < EPS && std::abs(actual.y - expected.y) < EPS &&
                std::abs(actual.z - expected.z) < EPS)
        << what << ": (" << actual.x << ", " << actual.y << ", " << actual.z << ") expected ("
        << expected.x << ", " << expected.y << ", " << expected.z << ")";
}

void expectBounds(const MeshLists& lists, const Vec3d& low, const Vec3d& high) {
    const Box3 b = bounds(lists);
    expectNear(b.low, low, "lowest corner");
    expectNear(b.high, high, "highest corner");
}

Vec3d sub(const Vec3d& a, const Vec3d& b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
Vec3d cross(const Vec3d& a, const Vec3d& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
double dot(const Vec3d& a, const Vec3d& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

std::array<Vec3d, 3> corners(const MeshLists& lists, size_t i) {
    const IndexTriple& t = lists.coordIndex[i];
    return {lists.points[static_cast<size_t>(t.a)], lists.points[static_cast<size_t>(t.b)],
            lists.points[static_cast<size_t>(t.c)]};
}

// The triangle's winding normal (not unit length).
Vec3d facing(const MeshLists& lists, size_t i) {
    const auto c = corners(lists, i);
    return cross(sub(c[1], c[0]), sub(c[2], c[0]));
}

// Every triangle of a closed shape around `centre` winds so that its front faces outwards, and
// its corner normals point outwards too.
void expectFacingOut(const MeshLists& lists, const Vec3d& centre) {
    for (size_t i = 0; i < lists.coordIndex.size(); ++i) {
        const auto c = corners(lists, i);
        const Vec3d middle{(c[0].x + c[1].x + c[2].x) / 3, (c[0].y + c[1].y + c[2].y) / 3,
                           (c[0].z + c[1].z + c[2].z) / 3};
        const Vec3d out = sub(middle, centre);
        EXPECT_GT(dot(facing(lists, i), out), 0) << "triangle " << i << " faces inwards";
        EXPECT_GT(dot(lists.normals[static_cast<size_t>(lists.normalIndex[i].a)], out), 0)
            << "triangle " << i << " has an inward normal";
    }
}

double area(const MeshLists& lists) {
    double sum = 0;
    for (size_t i = 0; i < lists.coordIndex.size(); ++i) {
        const Vec3d f = facing(lists, i);
        sum += std::sqrt(dot(f, f)) / 2;
    }
    return sum;
}

TEST(CoinReading, IndexedFaceSetsArePlacedByTransformsAndEveryUse) {
    const MeshLists lists = read(V2 + R"(
        Transform { translation 10 0 0 children [
            DEF Q Shape { geometry IndexedFaceSet {
                coord Coordinate { point [ 0 0 0, 1 0 0, 1 1 0, 0 1 0 ] }
                coordIndex [ 0 1 2 3 -1 ] } } ] }
        Transform { rotation 0 0 1 1.5707963 scale 2 2 2 children [ USE Q ] }
    )");
    ASSERT_EQ(lists.coordIndex.size(), 4u);
    EXPECT_EQ(lists.twoSidedTriangles, 0u);
    // The fan of the first use, then the same under a turn by 90 degrees and twice the size.
    const auto first = corners(lists, 0);
    expectNear(first[0], {10, 0, 0}, "first use");
    expectNear(first[1], {11, 0, 0}, "first use");
    expectNear(first[2], {11, 1, 0}, "first use");
    const auto second = corners(lists, 2);
    expectNear(second[1], {0, 2, 0}, "second use");
    expectNear(second[2], {-2, 2, 0}, "second use");
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_GT(facing(lists, i).z, 0);
        expectNear(lists.normals[static_cast<size_t>(lists.normalIndex[i].a)], {0, 0, 1},
                   "flat normal");
    }

    const MeshLists v1 = read(V1 + R"(
        Separator { Translation { translation 0 0 5 }
            Coordinate3 { point [ 0 0 0, 1 0 0, 0 1 0 ] }
            Normal { vector [ 0 0 1 ] } NormalBinding { value OVERALL }
            IndexedFaceSet { coordIndex [ 0, 1, 2, -1 ] } }
    )");
    ASSERT_EQ(v1.coordIndex.size(), 1u);
    expectNear(corners(v1, 0)[1], {1, 0, 5}, "VRML 1.0");
}

TEST(CoinReading, PrimitivesAreCountedAndPlaced) {
    const MeshLists box = read(V2 + R"(
        Transform { translation 1 2 3 children Shape { geometry Box { size 2 4 6 } } })");
    EXPECT_EQ(box.coordIndex.size(), 12u);  // six faces of two triangles
    expectBounds(box, {0, 0, 0}, {2, 4, 6});
    expectFacingOut(box, {1, 2, 3});
    EXPECT_EQ(box.points.size(), 24u) << "corners of a face are shared, faces keep their normals";
    EXPECT_NEAR(area(box), 2 * (8 + 12 + 24), 1e-4);

    const MeshLists cube = read(V1 + R"(
        Texture2 { image 2 1 1 0xFF 0x00 }
        Separator { Translation { translation -1 0 0 } Cube { width 2 height 2 depth 2 } })");
    EXPECT_EQ(cube.coordIndex.size(), 12u);
    expectBounds(cube, {-2, -1, -1}, {0, 1, 1});
    expectFacingOut(cube, {-1, 0, 0});

    const std::string sphereText = V2 + R"(
        Transform { translation 0 0 -4 children Shape { geometry Sphere { radius 3 } } })";
    const MeshLists sphere = read(sphereText);
    EXPECT_EQ(sphere.coordIndex.size(), coinTriangles(sphereText));
    EXPECT_GT(sphere.coordIndex.size(), 100u);
    for (const Vec3d& p : sphere.points) {
        EXPECT_NEAR(std::sqrt(dot(sub(p, {0, 0, -4}), sub(p, {0, 0, -4}))), 3, 1e-5);
    }
    const Box3 b = bounds(sphere);  // the poles are corners; the equator's points may miss x, z
    EXPECT_NEAR(b.low.y, -3, 1e-5);
    EXPECT_NEAR(b.high.y, 3, 1e-5);
    expectFacingOut(sphere, {0, 0, -4});

    const std::string coneText = V2 + "Shape { geometry Cone { bottomRadius 1 height 2 } }\n" +
                                 "Transform { translation 5 0 0 children Shape { geometry Cylinder "
                                 "{ radius 1 height 4 } } }";
    const MeshLists both = read(coneText);
    EXPECT_EQ(both.coordIndex.size(), coinTriangles(coneText));
    expectBounds(both, {-1, -2, -1}, {6, 2, 1});
    EXPECT_EQ(both.twoSidedTriangles, 0u);
}

TEST(CoinReading, ElevationGridAndExtrusionAreCountedAndPlaced) {
    // 3 by 2 heights: two cells, two triangles each.
    const MeshLists grid = read(V2 + R"(
        Transform { translation 0 1 0 children Shape { geometry ElevationGrid {
            xDimension 3 zDimension 2 xSpacing 2 zSpacing 5
            height [ 0 1 0  0 2 0 ] } } })");
    EXPECT_EQ(grid.coordIndex.size(), 4u);
    expectBounds(grid, {0, 1, 0}, {4, 3, 5});
    EXPECT_EQ(grid.twoSidedTriangles, 0u);
    EXPECT_EQ(read(V2 + "Shape { geometry ElevationGrid { xDimension 2 zDimension 2 solid FALSE"
                        " height [ 0 0 0 0 ] } }")
                  .twoSidedTriangles,
              2u);
    for (size_t i = 0; i < grid.coordIndex.size(); ++i) {
        EXPECT_GT(facing(grid, i).y, 0) << "a grid faces up";
    }

    // The default square cross-section swept along a spine of length 3: four sides of two
    // triangles, and two caps of two.
    const MeshLists extrusion = read(V2 + R"(
        Shape { geometry Extrusion { spine [ 0 0 0, 0 3 0 ] solid FALSE } })");
    EXPECT_EQ(extrusion.coordIndex.size(), 12u);
    expectBounds(extrusion, {-1, 0, -1}, {1, 3, 1});
    EXPECT_EQ(extrusion.twoSidedTriangles, 12u);
    EXPECT_NEAR(area(extrusion), 4 * 2 * 3 + 2 * 4, 1e-4);
}

TEST(CoinReading, StripSetsAndVrml1ShapesAreRead) {
    const std::string text = V1 + R"(
        Separator {
            Coordinate3 { point [ 0 0 0, 1 0 0, 0 1 0, 1 1 0, 0 2 0, 1 2 0 ] }
            TriangleStripSet { numVertices [ 6 ] }
            Translation { translation 0 0 1 }
            QuadMesh { verticesPerRow 2 verticesPerColumn 3 }
            Cone { } Cylinder { } Sphere { } })";
    const MeshLists lists = read(text);
    EXPECT_EQ(lists.coordIndex.size(), coinTriangles(text));
    // The strip alone: four triangles covering the 1 by 2 rectangle.
    const MeshLists strip = read(V1 + R"(
        Coordinate3 { point [ 0 0 0, 1 0 0, 0 1 0, 1 1 0, 0 2 0, 1 2 0 ] }
        TriangleStripSet { numVertices [ 6 ] })");
    EXPECT_EQ(strip.coordIndex.size(), 4u);
    EXPECT_NEAR(area(strip), 2, 1e-6);
    expectBounds(strip, {0, 0, 0}, {1, 2, 0});
}

// The L: (0,0) (2,0) (2,1) (1,1) (1,2) (0,2), counter-clockwise seen from +z. A fan from its
// first corner would cross the notch at (1.5, 1.5).
const char* L_POINTS = "0 0 0, 2 0 0, 2 1 0, 1 1 0, 1 2 0, 0 2 0";

bool insideL(double x, double y) {
    constexpr double E = 1e-9;
    return x > -E && y > -E && ((x < 2 + E && y < 1 + E) || (x < 1 + E && y < 2 + E));
}

void expectSplitInsideL(const MeshLists& lists) {
    ASSERT_EQ(lists.coordIndex.size(), 4u);
    EXPECT_NEAR(area(lists), 3, 1e-6) << "the triangles cover the L exactly once";
    for (size_t i = 0; i < lists.coordIndex.size(); ++i) {
        EXPECT_GT(facing(lists, i).z, 0) << "triangle " << i << " winds against the face";
        const auto c = corners(lists, i);
        // The middle and the midpoints of the edges of every triangle lie inside the L.
        for (int k = 0; k < 3; ++k) {
            const Vec3d& a = c[k];
            const Vec3d& b = c[(k + 1) % 3];
            EXPECT_TRUE(insideL((a.x + b.x) / 2, (a.y + b.y) / 2)) << "triangle " << i;
        }
        EXPECT_TRUE(insideL((c[0].x + c[1].x + c[2].x) / 3, (c[0].y + c[1].y + c[2].y) / 3))
            << "triangle " << i;
    }
}

TEST(CoinReading, NonConvexFacesAreSplitInsideTheirOutline) {
    expectSplitInsideL(read(V2 + "Shape { geometry IndexedFaceSet { coord Coordinate { point [ " +
                            L_POINTS + " ] } coordIndex [ 0 1 2 3 4 5 -1 ] convex FALSE } }"));
    expectSplitInsideL(read(V1 + "ShapeHints { faceType UNKNOWN_FACE_TYPE }\n" +
                            "Coordinate3 { point [ " + L_POINTS + " ] }\n" +
                            "IndexedFaceSet { coordIndex [ 0, 1, 2, 3, 4, 5, -1 ] }"));
    // Wound clockwise in the file, and turned over by the transform: still inside, still facing
    // where the face faces.
    const MeshLists turned = read(
        V2 + "Transform { rotation 1 0 0 3.14159265 children Shape { geometry IndexedFaceSet {" +
        " coord Coordinate { point [ " + L_POINTS + " ] } coordIndex [ 5 4 3 2 1 0 -1 ]" +
        " convex FALSE ccw FALSE } } }");
    ASSERT_EQ(turned.coordIndex.size(), 4u);
    EXPECT_NEAR(area(turned), 3, 1e-6);
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_LT(facing(turned, i).z, 0) << "the turn shows the face's front towards -z";
    }
    // A convex face keeps the fan.
    const MeshLists fan =
        read(V2 + "Shape { geometry IndexedFaceSet { coord Coordinate { point [ " + L_POINTS +
             " ] } coordIndex [ 0 1 2 3 4 5 -1 ] } }");
    ASSERT_EQ(fan.coordIndex.size(), 4u);
    EXPECT_EQ(fan.coordIndex[1], (IndexTriple{0, 2, 3}));
}

// A comb of three teeth, (0,0) .. (5,3), tilted out of every axis plane: ten triangles, all inside
// the comb, all facing as it does; a face with repeated and collinear corners still splits into
// corners - 2 triangles without a crash.
TEST(CoinReading, CombAndDegenerateFacesSplitWithoutLeavingTheirOutline) {
    const MeshLists comb = read(V2 + R"(
        Transform { rotation 1 1 0 0.7 translation 3 0 0 children Shape { geometry IndexedFaceSet {
            coord Coordinate { point [ 0 0 0, 5 0 0, 5 3 0, 4 3 0, 4 1 0, 3 1 0, 3 3 0, 2 3 0,
                                       2 1 0, 1 1 0, 1 3 0, 0 3 0 ] }
            coordIndex [ 0 1 2 3 4 5 6 7 8 9 10 11 -1 ] convex FALSE } } })");
    ASSERT_EQ(comb.coordIndex.size(), 10u);
    EXPECT_NEAR(area(comb), 11, 1e-5);
    // Back in the comb's own plane: the turn is undone by the inverse rotation about (1, 1, 0).
    const double c = std::cos(-0.7), s = std::sin(-0.7), k = 1 / std::sqrt(2.0);
    auto local = [&](Vec3d p) {
        p = sub(p, {3, 0, 0});
        const Vec3d axis{k, k, 0};
        const Vec3d cr = cross(axis, p);
        const double d = dot(axis, p) * (1 - c);
        return Vec3d{p.x * c + cr.x * s + axis.x * d, p.y * c + cr.y * s + axis.y * d,
                     p.z * c + cr.z * s + axis.z * d};
    };
    auto insideComb = [](double x, double y) {
        constexpr double E = 1e-6;
        const bool tooth = (x < 1 + E) || (x > 2 - E && x < 3 + E) || (x > 4 - E);
        return x > -E && x < 5 + E && y > -E && (y < 1 + E || (y < 3 + E && tooth));
    };
    for (size_t i = 0; i < comb.coordIndex.size(); ++i) {
        const auto corner = corners(comb, i);
        const Vec3d a = local(corner[0]), b = local(corner[1]), d = local(corner[2]);
        EXPECT_GT(cross(sub(b, a), sub(d, a)).z, 0) << "triangle " << i;
        for (const auto& [p, q] : {std::pair{a, b}, {b, d}, {d, a}}) {
            EXPECT_TRUE(insideComb((p.x + q.x) / 2, (p.y + q.y) / 2)) << "triangle " << i;
        }
        EXPECT_TRUE(insideComb((a.x + b.x + d.x) / 3, (a.y + b.y + d.y) / 3)) << "triangle " << i;
    }

    const MeshLists degenerate = read(V2 + R"(
        Shape { geometry IndexedFaceSet { convex FALSE
            coord Coordinate { point [ 0 0 0, 1 0 0, 2 0 0, 2 0 0, 1 1 0, 0 0 0, 3 3 3 ] }
            coordIndex [ 0 1 2 3 4 5 -1, 0 1 2 -1, 6 6 6 6 -1 ] } })");
    EXPECT_EQ(degenerate.coordIndex.size(), 4u + 1u + 2u);
}

TEST(CoinReading, TwoSidedFacesComeLastAndAreCounted) {
    const std::string square =
        "coord Coordinate { point [ 0 0 0, 1 0 0, 1 1 0, 0 1 0 ] } "
        "coordIndex [ 0 1 2 3 -1 ]";
    const MeshLists mixed =
        read(V2 + "Shape { geometry IndexedFaceSet { solid FALSE " + square + " } }\n" +
             "Transform { translation 0 0 7 children Shape { geometry IndexedFaceSet { " + square +
             " } } }\nShape { geometry Box { } }");
    ASSERT_EQ(mixed.coordIndex.size(), 2u + 2u + 12u);
    EXPECT_EQ(mixed.twoSidedTriangles, 2u);
    EXPECT_EQ(corners(mixed, 14)[0].z, 0) << "the two-sided square is last";
    EXPECT_EQ(corners(mixed, 0)[0].z, 7) << "the one-sided square keeps its place first";

    // Through a prototype's instance, too.
    const MeshLists proto = read(V2 + R"(
        PROTO Points [ field MFVec3f p [ 0 0 0, 1 0 0, 1 1 0 ] ] { Coordinate { point IS p } }
        Shape { geometry IndexedFaceSet { coord Points { } coordIndex [ 0 1 2 -1 ] solid FALSE } })");
    EXPECT_EQ(proto.coordIndex.size(), 1u);
    EXPECT_EQ(proto.twoSidedTriangles, 1u);

    const std::string faces =
        "Coordinate3 { point [ 0 0 0, 1 0 0, 1 1 0 ] }\n"
        "IndexedFaceSet { coordIndex [ 0, 1, 2, -1 ] }\n";
    EXPECT_EQ(read(V1 + faces).twoSidedTriangles, 0u) << "no ShapeHints: one-sided as before";
    EXPECT_EQ(
        read(V1 + "ShapeHints { vertexOrdering COUNTERCLOCKWISE }\n" + faces).twoSidedTriangles,
        1u);
    EXPECT_EQ(read(V1 + "ShapeHints { shapeType SOLID }\n" + faces).twoSidedTriangles, 0u);
    EXPECT_EQ(read(V1 + "Separator { ShapeHints { } }\n" + faces).twoSidedTriangles, 0u)
        << "a ShapeHints holds only inside its Separator";
}

CoinReadOutcome outcomeOf(const std::string& text, MeshLists& lists) {
    return readVrmlWithCoin(text, lists, {});
}

TEST(CoinReading, SaysWhyNothingWasRead) {
    struct Case {
        std::string text;
        bool parsed;
        std::string says;
    };
    const Case cases[] = {
        {V2 + "Inline { url \"other.wrl\" }", true, "only Inline references (not followed)"},
        {V1 + "WWWInline { name \"other.wrl\" }", true, "only Inline references (not followed)"},
        {V2 + "Shape { geometry IndexedLineSet { coord Coordinate { point [ 0 0 0, 1 0 0 ] } "
              "coordIndex [ 0 1 -1 ] } } Shape { geometry PointSet { } }",
         true, "only lines or points"},
        {V2 + "PROTO Thing [ ] { Shape { geometry Box { } } }", true,
         "only PROTO/EXTERNPROTO definitions without instances"},
        {V2 + "EXTERNPROTO Far [ ] \"far.wrl#Far\"", true,
         "only PROTO/EXTERNPROTO definitions without instances"},
        {V2 + "Shape { geometry Text { string \"hello\" } }", true, "only text"},
        {V2 + "Shape { geometry Box { size 1 1 } }", false, "Box"},
        {"#VRML V2.0 utf8 " + std::string(2000, 'x') + "\n", false, "header line"},
        // Coin reads a node into itself and crashes: refused before it parses.
        {V2 + "DEF T Transform { children [ Shape { geometry IndexedFaceSet {\n"
              "coord Coordinate { point [0 1 0] } coord USE T ] }",
         false, "a node that uses itself (USE T inside DEF T) at line 3"},
        // Coin sizes an image in 16 and 32 bits: refused before it allocates the wrapped size.
        {V2 + "Shape { appearance Appearance { texture PixelTexture {\n"
              "image 32767 32767 4 0xFF } } geometry Box { } }",
         false, "an image of more than 67108864 bytes at line 3"},
        {V1 + "Texture2 { image 0x10000 1 1 0 }", false, "an image side outside 0 .. 32767"},
        // Coin would size its normals by the largest index, whatever the points.
        {V2 + "Shape { geometry IndexedFaceSet { coord Coordinate3 { point [0 0 0, 1 0 0] }\n"
              "coordIndex [0, 1, 2000000000, -1] } }",
         false, "a coordIndex of 2000000000, beyond the limit of"},
        // The parser takes the 4 from "4normalIndex": so must the scan.
        {"#VRML V2.0 utf8\nShape { appearance Appearance { texture PixelTexture {\n"
         "image 32767 32767 4normalIndex 0xFF } } }",
         false, "an image of more than 67108864 bytes at line 3"},
    };
    for (const Case& c : cases) {
        MeshLists lists;
        const CoinReadOutcome outcome = outcomeOf(c.text, lists);
        EXPECT_EQ(outcome.parsed, c.parsed) << c.text << ": " << outcome.message;
        EXPECT_NE(outcome.message.find(c.says), std::string::npos)
            << c.text << " gave: " << outcome.message;
        EXPECT_TRUE(lists.coordIndex.empty() && lists.points.empty());
    }
}

TEST(CoinReading, LimitsRefuseTheFileAndLeaveTheListsEmpty) {
    GraphLimits limits;
    limits.triangles = 100;
    MeshLists lists;
    const CoinReadOutcome outcome =
        readVrmlWithCoin(V2 + "Shape { geometry Sphere { } }", lists, limits);
    EXPECT_FALSE(outcome.parsed);
    EXPECT_NE(outcome.message.find("more than 100 triangles"), std::string::npos)
        << outcome.message;
    EXPECT_TRUE(lists.coordIndex.empty() && lists.points.empty() && lists.normals.empty());

    const CoinReadOutcome loop = readVrmlWithCoin(
        V2 + "DEF A Group { children [ Shape { geometry Box { } } ] }\n" + std::string(30, ' ') +
            "DEF B Group { children [ USE A USE A ] }" + "DEF C Group { children [ USE B USE B ] }",
        lists, {.nodeVisits = 5});
    EXPECT_FALSE(loop.parsed);
    EXPECT_NE(loop.message.find("more than 5 nodes"), std::string::npos) << loop.message;
}

}  // namespace
