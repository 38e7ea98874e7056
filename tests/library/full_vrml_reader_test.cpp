// The full reading through the reader process on model files written for these tests, with
// every expected point worked out by hand from the file's transforms.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "library/model_folder.h"
#include "library/model_reading.h"
#include "library/vrml_reader.h"

namespace {

using Corners = std::array<Vec3d, 3>;

// What the reader process made of VRMLmodels/<mesh.name>, its lists moved into `mesh` when read.
struct FullVrmlResult {
    enum class Status { Read, Unreadable, Rejected };
    Status status = Status::Rejected;
    std::string message;
};

FullVrmlResult readFullVrml(Mesh& mesh) {
    ReadingOutcome outcome;
    readInReaderProcesses({{"VRMLmodels", mesh.name, ReaderMode::Vrml}}, {},
                          [&](size_t, ReadingOutcome&& taken) { outcome = std::move(taken); });
    if (outcome.end == ReadingOutcome::End::Unreadable) {
        return {FullVrmlResult::Status::Unreadable, outcome.why};
    }
    if (outcome.end != ReadingOutcome::End::Replied ||
        outcome.reply.status != ReaderReply::Status::Read) {
        return {FullVrmlResult::Status::Rejected,
                outcome.end == ReadingOutcome::End::Replied ? outcome.reply.note : outcome.why};
    }
    const ModelReadResult taken = takeReaderOutcome(mesh, true, std::move(outcome));
    return {FullVrmlResult::Status::Read, taken.note};
}

class FullVrmlReaderTest : public ModelFolderTest {
protected:
    // Writes VRMLmodels/<name> and reads it in full; the reading must succeed. The Mesh lives as
    // long as the test.
    const Mesh& read(const std::string& content, const std::string& name = "m.wrl") {
        writeModel(name, content);
        Mesh& mesh = *meshes.emplace_back(std::make_unique<Mesh>(name));
        const FullVrmlResult result = readFullVrml(mesh);
        EXPECT_EQ(result.status, FullVrmlResult::Status::Read) << result.message;
        expectDrawable(mesh);
        return mesh;
    }

    static Corners corners(const Mesh& mesh, size_t triangle) {
        const IndexTriple& t = mesh.coordIndex.at(triangle);
        return {mesh.points.at(t.a), mesh.points.at(t.b), mesh.points.at(t.c)};
    }

    static Corners cornerNormals(const Mesh& mesh, size_t triangle) {
        const IndexTriple& t = mesh.normalIndex.at(triangle);
        return {mesh.normals.at(t.a), mesh.normals.at(t.b), mesh.normals.at(t.c)};
    }

    std::vector<std::unique_ptr<Mesh>> meshes;
};

// Up to the single precision in which the parser keeps coordinates and matrices.
void expectNear(const Vec3d& actual, const Vec3d& expected, const std::string& what) {
    constexpr double EPS = 1e-5;
    EXPECT_TRUE(std::abs(actual.x - expected.x) < EPS && std::abs(actual.y - expected.y) < EPS &&
                std::abs(actual.z - expected.z) < EPS)
        << what << ": (" << actual.x << ", " << actual.y << ", " << actual.z << ") expected ("
        << expected.x << ", " << expected.y << ", " << expected.z << ")";
}

void expectCorners(const Corners& actual, const Corners& expected, const std::string& what) {
    for (int k = 0; k < 3; ++k) {
        expectNear(actual[k], expected[k], what + " corner " + std::to_string(k));
    }
}

// Normals may come out at any length (drawing normalises them): compares directions.
void expectDirection(const Vec3d& actual, const Vec3d& expected, const std::string& what) {
    const double length =
        std::sqrt(actual.x * actual.x + actual.y * actual.y + actual.z * actual.z);
    ASSERT_GT(length, 0) << what;
    expectNear({actual.x / length, actual.y / length, actual.z / length}, expected, what);
}

// Three shapes in VRML 2.0: a square under two nested transforms, a triangle turned a quarter
// about z and moved, and the same triangle used again elsewhere. Brackets glued to values and
// indices joined by commas, as real files write them.
const char* const VRML2_SHAPES = R"(#VRML V2.0 utf8
Transform {
  translation 1 0 0
  children [
    Transform {
      scale 2 2 2
      children Shape {
        geometry IndexedFaceSet {
          coord Coordinate { point [0 0 0,1 0 0,1 1 0,0 1 0] }
          coordIndex [0,1,2,3,-1]
        }
      }
    }
  ]
}
Transform {
  translation 0 0 -1
  rotation 0 0 1 1.5707963
  children DEF TRI Shape {
    geometry IndexedFaceSet {
      coord Coordinate{point[0 0 0 1 0 0 0 1 0]}
      coordIndex[0 1 2 -1]
    }
  }
}
Transform { translation 0 3 0 children [ USE TRI ] }
)";

TEST_F(FullVrmlReaderTest, Vrml2ShapesLandWhereTheirTransformsPutThem) {
    const Mesh& mesh = read(VRML2_SHAPES);
    ASSERT_EQ(mesh.coordIndex.size(), 4u);
    EXPECT_EQ(mesh.points.size(), 10u);  // 4 + 3 + 3: the used-again triangle sits elsewhere
    // The square: scaled by 2, then moved by 1 along x; split into a fan from its first corner.
    expectCorners(corners(mesh, 0), {{{1, 0, 0}, {3, 0, 0}, {3, 2, 0}}}, "square 1");
    expectCorners(corners(mesh, 1), {{{1, 0, 0}, {3, 2, 0}, {1, 2, 0}}}, "square 2");
    // The triangle: (1,0,0) turns to (0,1,0), (0,1,0) to (-1,0,0); then moved to z = -1.
    expectCorners(corners(mesh, 2), {{{0, 0, -1}, {0, 1, -1}, {-1, 0, -1}}}, "turned");
    // USE TRI under a plain translation.
    expectCorners(corners(mesh, 3), {{{0, 3, 0}, {1, 3, 0}, {0, 4, 0}}}, "used again");
    // No normals in the file: one flat normal per triangle, all facing +z here.
    ASSERT_EQ(mesh.normals.size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(mesh.normalIndex[i], (IndexTriple{int32_t(i), int32_t(i), int32_t(i)}));
        expectNear(mesh.normals[i], {0, 0, 1}, "flat normal " + std::to_string(i));
    }
}

// VRML 1.0: properties accumulate along a Separator and are restored at its end; a DEF'd
// Separator used again under a MatrixTransform (row-vector layout: translation in the last row).
const char* const VRML1_SEPARATORS = R"(#VRML V1.0 ascii
Separator {
  Coordinate3 { point [ 0 0 0, 1 0 0, 1 1 0, 0 1 0 ] }
  IndexedFaceSet { coordIndex [ 0, 1, 2, -1 ] }
  Separator {
    Translation { translation 0 0 2 }
    Scale { scaleFactor 1 3 1 }
    IndexedFaceSet { coordIndex [ 0, 2, 3, -1 ] }
  }
  DEF PART Separator {
    Transform { translation 5 0 0 }
    Coordinate3 { point [ 0 0 0, 0 0 1, 0 1 1 ] }
    IndexedFaceSet { coordIndex [ 0, 1, 2, -1 ] }
  }
  MatrixTransform { matrix 1 0 0 0  0 1 0 0  0 0 1 0  0 -2 0 1 }
  USE PART
  IndexedFaceSet { coordIndex [ 0, 1, 3, -1 ] }
}
)";

TEST_F(FullVrmlReaderTest, Vrml1SeparatorsScopeTransformsAndCoordinates) {
    const Mesh& mesh = read(VRML1_SEPARATORS);
    ASSERT_EQ(mesh.coordIndex.size(), 5u);
    expectCorners(corners(mesh, 0), {{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}}, "plain");
    // Translation then Scale: a point is scaled first, (x, 3y, z + 2).
    expectCorners(corners(mesh, 1), {{{0, 0, 2}, {1, 3, 2}, {0, 3, 2}}}, "scaled, moved");
    expectCorners(corners(mesh, 2), {{{5, 0, 0}, {5, 0, 1}, {5, 1, 1}}}, "part");
    expectCorners(corners(mesh, 3), {{{5, -2, 0}, {5, -2, 1}, {5, -1, 1}}}, "part used again");
    // After the Separator the first Coordinate3 holds again, under the matrix only.
    expectCorners(corners(mesh, 4), {{{0, -2, 0}, {1, -2, 0}, {0, -1, 0}}}, "after the part");
    // One point list per list and matrix: 4 + 4 + 3 + 3 + 4.
    EXPECT_EQ(mesh.points.size(), 18u);
}

TEST_F(FullVrmlReaderTest, ListsSharedUnderOneMatrixAreStoredOnce) {
    // Two face sets on one Coordinate3, and one face set used twice in place.
    const Mesh& mesh = read(R"(#VRML V1.0 ascii
Separator {
  Coordinate3 { point [ 0 0 0, 1 0 0, 1 1 0, 0 1 0 ] }
  IndexedFaceSet { coordIndex [ 0, 1, 2, -1 ] }
  DEF F IndexedFaceSet { coordIndex [ 0, 2, 3, -1 ] }
  USE F
}
)");
    EXPECT_EQ(mesh.points.size(), 4u);
    EXPECT_EQ(mesh.coordIndex, (std::vector<IndexTriple>{{0, 1, 2}, {0, 2, 3}, {0, 2, 3}}));
}

TEST_F(FullVrmlReaderTest, FileNormalsFollowTheirBindingAndTheTransform) {
    const Mesh& mesh = read(R"(#VRML V2.0 utf8
Shape { geometry IndexedFaceSet {
  coord Coordinate { point [ 0 0 0, 1 0 0, 1 1 0, 0 1 0 ] }
  normal Normal { vector [ 0 0 1, 0 0 -1 ] }
  normalIndex [ 0 0 0 1 -1 ]
  coordIndex [ 0 1 2 3 -1 ]
} }
Transform { rotation 1 0 0 1.5707963 children Shape { geometry IndexedFaceSet {
  coord Coordinate { point [ 0 0 0, 1 0 0, 1 1 0 ] }
  normal Normal { vector [ 0 0 1 ] }
  normalPerVertex FALSE
  coordIndex [ 0 1 2 -1 ]
} } }
Transform { scale 2 1 1 children Shape { geometry IndexedFaceSet {
  coord Coordinate { point [ 0 0 0, 1 0 0, 1 1 0 ] }
  normal Normal { vector [ 1 1 0 ] }
  coordIndex [ 0 0 0 -1 ]
  normalIndex [ 0 0 0 -1 ]
} } }
)");
    ASSERT_EQ(mesh.coordIndex.size(), 4u);
    // Per corner through normalIndex: the second triangle's last corner is position 3.
    const Corners first = cornerNormals(mesh, 0);
    for (const Vec3d& n : first) {
        expectNear(n, {0, 0, 1}, "first triangle");
    }
    const Corners second = cornerNormals(mesh, 1);
    expectNear(second[0], {0, 0, 1}, "second triangle, corner 0");
    expectNear(second[2], {0, 0, -1}, "second triangle, corner 2");
    // Per face, turned a quarter about x: +z becomes -y.
    for (const Vec3d& n : cornerNormals(mesh, 2)) {
        expectDirection(n, {0, -1, 0}, "turned face");
    }
    // Stretched along x: the normal (1, 1, 0) leans towards y (inverse transpose: (0.5, 1, 0)).
    for (const Vec3d& n : cornerNormals(mesh, 3)) {
        expectDirection(n, {0.5 / std::sqrt(1.25), 1 / std::sqrt(1.25), 0}, "stretched");
    }
}

TEST_F(FullVrmlReaderTest, Vrml1NormalBindingsAndFallbackToFlatNormals) {
    const Mesh& mesh = read(R"(#VRML V1.0 ascii
Separator {
  Coordinate3 { point [ 0 0 0, 1 0 0, 1 1 0, 0 1 0 ] }
  Separator {
    Normal { vector [ 1 0 0, 0 1 0 ] }
    NormalBinding { value PER_FACE }
    IndexedFaceSet { coordIndex [ 0, 1, 2, -1, 0, 2, 3, -1 ] }
  }
  Separator {
    Normal { vector [ 1 0 0, 0 1 0, 0 0 1, -1 0 0 ] }
    NormalBinding { value PER_VERTEX }
    IndexedFaceSet { coordIndex [ 0, 1, 2, 3, -1 ] }
  }
  Separator {
    Normal { vector [ 1 0 0, 0 1 0, 0 0 1, -1 0 0 ] }
    IndexedFaceSet { coordIndex [ 3, 2, 1, -1 ] }
  }
  Separator {
    Normal { vector [ 1 0 0 ] }
    IndexedFaceSet { coordIndex [ 0, 1, 2, -1 ] normalIndex [ 0, 0, 7, -1 ] }
  }
}
)");
    ASSERT_EQ(mesh.coordIndex.size(), 6u);
    // PER_FACE: face 0 takes normal 0, face 1 normal 1.
    expectNear(cornerNormals(mesh, 0)[2], {1, 0, 0}, "per face 0");
    expectNear(cornerNormals(mesh, 1)[0], {0, 1, 0}, "per face 1");
    // PER_VERTEX: corners in order, so the fan's second triangle (0, 2, 3) takes 0, 2, 3.
    const Corners inOrder = cornerNormals(mesh, 3);
    expectNear(inOrder[1], {0, 0, 1}, "in order, corner 1");
    expectNear(inOrder[2], {-1, 0, 0}, "in order, corner 2");
    // The default binding without normalIndex goes through coordIndex.
    const Corners byCoord = cornerNormals(mesh, 4);
    expectNear(byCoord[0], {-1, 0, 0}, "by coordIndex, corner 0");
    expectNear(byCoord[2], {0, 1, 0}, "by coordIndex, corner 2");
    // A normalIndex outside the normals: this face set gets its flat normal instead.
    for (const Vec3d& n : cornerNormals(mesh, 5)) {
        expectNear(n, {0, 0, 1}, "flat");
    }
}

TEST_F(FullVrmlReaderTest, ClockwiseAndMirroredFacesAreTurnedToFaceOut) {
    const Mesh& mesh = read(R"(#VRML V2.0 utf8
Shape { geometry IndexedFaceSet {
  coord Coordinate { point [ 0 0 0, 1 0 0, 1 1 0 ] } coordIndex [ 0 1 2 -1 ] ccw FALSE } }
Transform { scale -1 1 1 children Shape { geometry IndexedFaceSet {
  coord Coordinate { point [ 0 0 0, 1 0 0, 1 1 0 ] } coordIndex [ 0 1 2 -1 ] } } }
)");
    ASSERT_EQ(mesh.coordIndex.size(), 2u);
    // Clockwise seen from the front: the corners are turned round, the front faces -z.
    expectCorners(corners(mesh, 0), {{{0, 0, 0}, {1, 1, 0}, {1, 0, 0}}}, "clockwise");
    expectNear(mesh.normals[mesh.normalIndex[0].a], {0, 0, -1}, "clockwise front");
    // Mirrored in x: turned round too, so the front still faces +z as in the file.
    expectCorners(corners(mesh, 1), {{{0, 0, 0}, {-1, 1, 0}, {-1, 0, 0}}}, "mirrored");
    expectNear(mesh.normals[mesh.normalIndex[1].a], {0, 0, 1}, "mirrored front");
}

TEST_F(FullVrmlReaderTest, FacesFollowTheVrmlRulesNotTheClassicOnes) {
    const Mesh& mesh = read(R"(#VRML V2.0 utf8
Shape { geometry IndexedFaceSet {
  coord Coordinate { point [ 0 0 0, 1 0 0, 1 1 0, 0 1 0 ] }
  coordIndex [ 0 1 9 -1, 0 1 2 -1, -1, 0 1 -1, 0 2 3 ]
} }
)");
    // The face with a corner outside the points is dropped, empty and two-corner faces make
    // nothing, and the last face needs no closing -1.
    EXPECT_EQ(mesh.coordIndex, (std::vector<IndexTriple>{{0, 1, 2}, {0, 2, 3}}));
}

TEST_F(FullVrmlReaderTest, SwitchAndLodShowOneChoice) {
    const Mesh& mesh = read(R"(#VRML V2.0 utf8
Switch { choice [
  Shape { geometry IndexedFaceSet { coord Coordinate { point [ 0 0 0, 1 0 0, 1 1 0 ] }
                                    coordIndex [ 0 1 2 -1 ] } } ] }
Switch { whichChoice 1 choice [
  Shape { geometry IndexedFaceSet { coord Coordinate { point [ 0 0 0, 1 0 0, 1 1 0 ] }
                                    coordIndex [ 0 1 2 -1 ] } }
  Shape { geometry IndexedFaceSet { coord Coordinate { point [ 0 0 5, 1 0 5, 1 1 5 ] }
                                    coordIndex [ 0 1 2 -1 ] } } ] }
LOD { level [
  Shape { geometry IndexedFaceSet { coord Coordinate { point [ 0 0 7, 1 0 7, 1 1 7 ] }
                                    coordIndex [ 0 1 2 -1 ] } }
  Shape { geometry IndexedFaceSet { coord Coordinate { point [ 0 0 9, 1 0 9, 1 1 9 ] }
                                    coordIndex [ 0 1 2 -1 ] } } ] }
)");
    // A Switch with no choice shows nothing, whichChoice 1 the second child, LOD its first level.
    ASSERT_EQ(mesh.coordIndex.size(), 2u);
    EXPECT_EQ(corners(mesh, 0)[0].z, 5);
    EXPECT_EQ(corners(mesh, 1)[0].z, 7);
}

TEST_F(FullVrmlReaderTest, InlinedAndIncludedFilesAreNeverRead) {
    const std::string other =
        "#VRML V2.0 utf8\nShape { geometry IndexedFaceSet { coord Coordinate { point [ 0 0 0, 1 "
        "0 0, 1 1 0 ] } coordIndex [ 0 1 2 -1 ] } }\n";
    writeModel("other.wrl", other);
    writeModel("other1.wrl",
               "#VRML V1.0 ascii\nSeparator { Coordinate3 { point [ 0 0 0, 1 0 0, 1 1 0 ] }\n"
               "IndexedFaceSet { coordIndex [ 0, 1, 2, -1 ] } }\n");
    const Mesh& vrml2 = read(
        "#VRML V2.0 utf8\nInline { url \"other.wrl\" }\n"
        "EXTERNPROTO Part [ ] [ \"other.wrl#Part\" ]\n" +
        other.substr(16));
    EXPECT_EQ(vrml2.coordIndex.size(), 1u);
    const Mesh& vrml1 = read(
        "#VRML V1.0 ascii\nSeparator {\n  WWWInline { name \"other1.wrl\" }\n"
        "  File { name \"VRMLmodels/other1.wrl\" }\n}\n");
    EXPECT_TRUE(vrml1.coordIndex.empty());
}

TEST_F(FullVrmlReaderTest, SingleShapeFilesReadAsTheClassicReadingReadsThem) {
    // The bundled examples: one shape each, normals per corner or none. The points differ only
    // by the single precision in which the parser keeps them.
    const std::filesystem::path examples = TESSALY_SOURCE_DIR "/examples/VRMLmodels";
    for (const char* name : {"cube.wrl", "pyramid.wrl", "sphere.wrl", "torus.wrl"}) {
        std::filesystem::copy_file(examples / name, folder / "VRMLmodels" / name);
        Mesh full(name);
        ASSERT_EQ(readFullVrml(full).status, FullVrmlResult::Status::Read);
        Mesh classic(name);
        ASSERT_TRUE(loadModel(classic));
        EXPECT_EQ(full.coordIndex, classic.coordIndex) << name;
        EXPECT_EQ(full.normalIndex, classic.normalIndex) << name;
        ASSERT_EQ(full.points.size(), classic.points.size()) << name;
        ASSERT_EQ(full.normals.size(), classic.normals.size()) << name;
        for (size_t i = 0; i < full.points.size(); ++i) {
            expectNear(full.points[i], classic.points[i], name);
        }
        for (size_t i = 0; i < full.normals.size(); ++i) {
            expectNear(full.normals[i], classic.normals[i], name);
        }
    }
}

TEST_F(FullVrmlReaderTest, RejectedFilesSayWhyAndLeaveTheListsEmpty) {
    struct Case {
        const char* content;
        const char* says;
    };
    for (const Case& c : {
             Case{"#VRML V2.0 utf8\nShape { geometry IndexedFaceSet { coord Coordinate {\n",
                  "Coin read error"},
             Case{"#VRML V1.0 ascii\nSeparator { Cube { widht 2 } }\n", "Coin read error"},
             Case{"Coordinate3 { point [ 0 0 0, 1 0 0, 1 1 0 ] }\n", "no \"#VRML V1.0 ascii\""},
             Case{"", "no \"#VRML V1.0 ascii\""},
         }) {
        writeModel("bad.wrl", c.content);
        Mesh mesh("bad.wrl");
        const FullVrmlResult result = readFullVrml(mesh);
        EXPECT_EQ(result.status, FullVrmlResult::Status::Rejected) << c.content;
        EXPECT_NE(result.message.find(c.says), std::string::npos) << result.message;
        EXPECT_EQ(result.message.find('\n'), std::string::npos) << result.message;
        EXPECT_TRUE(mesh.points.empty() && mesh.normals.empty() && mesh.coordIndex.empty() &&
                    mesh.normalIndex.empty());
    }
    Mesh missing("missing.wrl");
    EXPECT_EQ(readFullVrml(missing).status, FullVrmlResult::Status::Unreadable);
}

}  // namespace
