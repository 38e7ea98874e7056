// loadModel as a whole: opening, the four sections, normal generation and the repairs.
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <clocale>
#include <cmath>
#include <random>
#include <string>

#include "library/mesh_repair.h"
#include "library/model_folder.h"
#include "support/measured_run.h"

namespace {

using Triples = std::vector<IndexTriple>;
using Points = std::vector<Vec3d>;

class VrmlReaderTest : public ModelFolderTest {};

const char* const VRML1_SQUARE =
    "#VRML V1.0 ascii\n"
    "Separator {\n"
    "  Coordinate3 { point [\n    0 0 0,\n    1 0 0,\n    1 1 0,\n    0 1 0,\n  ] }\n"
    "  Normal { vector [\n    0 0 1,\n    0 0 -1,\n  ] }\n"
    "  IndexedFaceSet {\n    coordIndex [ 0, 1, 2, 3, -1, ]\n"
    "    normalIndex [ 0,0,0,0,-1, ]\n  }\n"
    "}\n";

TEST_F(VrmlReaderTest, Vrml1AndVrml2FilesAreReadInFull) {
    const auto v1 = load(VRML1_SQUARE);
    EXPECT_EQ(v1->name, "m.wrl");
    EXPECT_EQ(v1->points, (Points{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}));
    EXPECT_EQ(v1->normals, (Points{{0, 0, 1}, {0, 0, -1}}));
    EXPECT_EQ(v1->coordIndex, (Triples{{0, 1, 2}, {0, 2, 3}}));
    EXPECT_EQ(v1->normalIndex, (Triples{{0, 0, 0}, {0, 0, 0}}));

    const auto v2 = load(
        "#VRML V2.0 utf8\n"
        "Shape {\n  geometry IndexedFaceSet {\n"
        "    coord Coordinate { point [ 0 0 0, 1 0 0, 0 1 0, 0 0 1, ] }\n"
        "    normal Normal { vector [ 0 0 1, 1 0 0, ] }\n"
        "    coordIndex [ 0, 1, 2, -1, 0, 3, 1, -1, ]\n"
        "    normalIndex [ 0,0,0,-1, 1,1,1,-1, ]\n  }\n}\n",
        "two.wrl");
    EXPECT_EQ(v2->points.size(), 4u);
    EXPECT_EQ(v2->normals, (Points{{0, 0, 1}, {1, 0, 0}}));
    EXPECT_EQ(v2->coordIndex, (Triples{{0, 1, 2}, {0, 3, 1}}));
    EXPECT_EQ(v2->normalIndex, (Triples{{0, 0, 0}, {1, 1, 1}}));
}

TEST_F(VrmlReaderTest, FileWithoutNormalsGetsOneFlatNormalPerTriangle) {
    const auto mesh = load(
        "#VRML V2.0 utf8\ncoord Coordinate { point [ 0 0 0, 2 0 0, 0 2 0, 0 0 2, ] }\n"
        "coordIndex [ 0, 1, 2, -1, 0, 2, 1, -1, 0, 3, 1, -1, 1, 1, 2, -1, ]\n");
    ASSERT_EQ(mesh->coordIndex.size(), 4u);
    EXPECT_EQ(mesh->normals, (Points{{0, 0, 1}, {0, 0, -1}, {0, 1, 0}, {0, 0, 0}}));
    EXPECT_EQ(mesh->normalIndex, (Triples{{0, 0, 0}, {1, 1, 1}, {2, 2, 2}, {3, 3, 3}}));
    for (const Vec3d& n : mesh->normals) {
        EXPECT_TRUE(std::isfinite(n.x) && std::isfinite(n.y) && std::isfinite(n.z));
    }
}

TEST_F(VrmlReaderTest, FaceNormalIsUnitAndFiniteForDegenerateOrHugeTriangles) {
    const Vec3d n = faceNormal({1, 1, 1}, {4, 1, 1}, {1, 1, -2});
    EXPECT_FLOAT_EQ(static_cast<float>(n.y), 1.0f);
    EXPECT_EQ(faceNormal({1, 2, 3}, {1, 2, 3}, {4, 5, 6}), (Vec3d{}));
    EXPECT_EQ(faceNormal({0, 0, 0}, {1, 1, 1}, {2, 2, 2}), (Vec3d{}));
    EXPECT_EQ(faceNormal({0, 0, 0}, {3e38f, 0, 0}, {0, 3e38f, 0}), (Vec3d{}));
    EXPECT_EQ(faceNormal({0, 0, 0}, {INFINITY, 0, 0}, {0, 1, 0}), (Vec3d{}));
    EXPECT_EQ(faceNormal({0, 0, 0}, {NAN, 0, 0}, {0, 1, 0}), (Vec3d{}));
}

TEST_F(VrmlReaderTest, NormalIndexWithoutNormalNodeKeepsReadTriplesFirst) {
    // Read triples that index the generated normals stay in front of the generated ones.
    const auto usable = load(
        "# Coordinate3 { point [ 0 0 0, 1 0 0, 0 1 0, ] }\n"
        "coordIndex [ 0, 1, 2, -1, 0, 2, 1, -1, ]\nnormalIndex [ 1,1,1,-1, 0,0,0,-1, ]\n");
    EXPECT_EQ(usable->normals, (Points{{0, 0, 1}, {0, 0, -1}}));
    EXPECT_EQ(usable->normalIndex, (Triples{{1, 1, 1}, {0, 0, 0}, {0, 0, 0}, {1, 1, 1}}));

    // Read triples that would reach past the generated normals are replaced.
    const auto unusable = load(
        "# Coordinate3 { point [ 0 0 0, 1 0 0, 0 1 0, ] }\n"
        "coordIndex [ 0, 1, 2, -1, ]\nnormalIndex [ 5,5,5,-1, ]\n");
    EXPECT_EQ(unusable->normals, (Points{{0, 0, 1}}));
    EXPECT_EQ(unusable->normalIndex, (Triples{{0, 0, 0}}));
}

TEST_F(VrmlReaderTest, TrianglesOutsidePointsAreDroppedWithTheirNormalTriple) {
    const auto mesh = load(
        "# Coordinate3 { point [ 0 0 0, 1 0 0, 0 1 0, ] }\n"
        "Normal { vector [ 0 0 1, 0 0 2, 0 0 3, ] }\n"
        "coordIndex [ 0, 1, 2, -1, 0, 1, 3, -1, 2, -7, 1, -1, 2, 0, 1, -1, 0, 1, 99999999999, -1 "
        "]\n"
        "normalIndex [ 0,0,0,-1,1,1,1,-1,1,1,1,-1,2,2,2,-1, ]\n");
    EXPECT_EQ(mesh->coordIndex, (Triples{{0, 1, 2}, {2, 0, 1}}));
    EXPECT_EQ(mesh->normals.size(), 3u);
    EXPECT_EQ(mesh->normalIndex, (Triples{{0, 0, 0}, {2, 2, 2}}));
    expectDrawable(*mesh);
}

TEST_F(VrmlReaderTest, NormalsThatCannotServeEveryTriangleAreReplacedByFlatOnes) {
    const std::string points = "# Coordinate3 { point [ 0 0 0, 1 0 0, 0 1 0, ] }\n";
    const std::string faces = "coordIndex [ 0, 1, 2, -1, 0, 2, 1, -1, ]\n";
    const std::string normal = "Normal { vector [ 1 0 0, ] }\n";
    for (const std::string& normalIndex :
         {std::string(""), std::string("normalIndex [ 0,0,0,-1, ]"),
          std::string("normalIndex [ 0,0,0,-1,0,1,0,-1 ]"),
          std::string("normalIndex [ 0,0,0,-1,0,-3,0,-1 ]")}) {
        const auto mesh = load(points + normal + faces + normalIndex);
        EXPECT_EQ(mesh->normals, (Points{{0, 0, 1}, {0, 0, -1}})) << normalIndex;
        EXPECT_EQ(mesh->normalIndex, (Triples{{0, 0, 0}, {1, 1, 1}})) << normalIndex;
    }
    // Enough usable triples: the file's normals stay exactly as read, extra triples included.
    const auto kept = load(points + normal + faces + "normalIndex [ 0,0,0,-1,0,0,0,-1,7,7,7,-1 ]");
    EXPECT_EQ(kept->normals, (Points{{1, 0, 0}}));
    EXPECT_EQ(kept->normalIndex.size(), 3u);
}

TEST_F(VrmlReaderTest, FilesThatCannotBeOpenedAsRegularFilesFailWithEmptyLists) {
    Mesh missing("missing.wrl");
    EXPECT_FALSE(loadModel(missing));

    std::filesystem::create_directory("VRMLmodels/folder.wrl");
    Mesh directory("folder.wrl");
    EXPECT_FALSE(loadModel(directory));

    std::filesystem::create_symlink("nowhere.wrl", "VRMLmodels/dangling.wrl");
    Mesh dangling("dangling.wrl");
    EXPECT_FALSE(loadModel(dangling));

    ASSERT_EQ(::mkfifo("VRMLmodels/fifo.wrl", 0600), 0);
    Mesh fifo("fifo.wrl");
    EXPECT_FALSE(loadModel(fifo));  // and does not wait for a writer

    for (const Mesh* m : {&missing, &directory, &dangling, &fifo}) {
        EXPECT_TRUE(m->points.empty() && m->normals.empty() && m->coordIndex.empty() &&
                    m->normalIndex.empty());
    }

    // A link to a readable model reads through.
    writeModel("real.wrl", VRML1_SQUARE);
    std::filesystem::create_symlink("real.wrl", "VRMLmodels/link.wrl");
    Mesh link("link.wrl");
    EXPECT_TRUE(loadModel(link));
    EXPECT_EQ(link.coordIndex.size(), 2u);
}

TEST_F(VrmlReaderTest, FileWithoutReadPermissionFails) {
    // Root reads every file, and the tests run as root: the loads run in a child that has
    // dropped to an ordinary user. A readable model beside the locked one shows that the child
    // reaches the folder, so the locked one fails for its own permissions.
    writeModel("locked.wrl", VRML1_SQUARE);
    writeModel("open.wrl", VRML1_SQUARE);
    namespace fs = std::filesystem;
    fs::permissions("VRMLmodels/locked.wrl", fs::perms::none);
    for (const fs::path& opened : {folder, folder / "VRMLmodels"}) {
        fs::permissions(opened, fs::perms::others_read | fs::perms::others_exec,
                        fs::perm_options::add);
    }
    struct Outcome {
        bool ordinaryUser = false;
        bool lockedLoaded = true;
        size_t lockedTriangles = 1;
        bool openLoaded = false;
    } outcome;
    const MeasuredRun run = runMeasured(
        [&] {
            if (::geteuid() == 0 &&
                (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)) {
                return;
            }
            outcome.ordinaryUser = ::geteuid() != 0;
            Mesh locked("locked.wrl");
            outcome.lockedLoaded = loadModel(locked);
            outcome.lockedTriangles = locked.coordIndex.size();
            Mesh open("open.wrl");
            outcome.openLoaded = loadModel(open);
        },
        &outcome, sizeof outcome);
    ASSERT_TRUE(run.finished);
    ASSERT_TRUE(outcome.ordinaryUser);
    EXPECT_TRUE(outcome.openLoaded);
    EXPECT_FALSE(outcome.lockedLoaded);
    EXPECT_EQ(outcome.lockedTriangles, 0u);
}

TEST_F(VrmlReaderTest, ContentWithoutModelIsAcceptedEmpty) {
    for (const std::string& content :
         {std::string(""), std::string("\n\n  \t"), std::string("hello world"),
          std::string("Coordinate3 Normal coordIndex normalIndex Coordinate"),
          std::string("#VRML V2.0 utf8\nCoordinate { point [ ] }\ncoordIndex [ ]")}) {
        const auto mesh = load(content);
        EXPECT_TRUE(mesh->points.empty() && mesh->normals.empty() && mesh->coordIndex.empty() &&
                    mesh->normalIndex.empty());
    }
}

TEST_F(VrmlReaderTest, NumbersUseTheDecimalPointWhateverTheProcessLocale) {
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8") && !std::setlocale(LC_ALL, "fr_FR.UTF-8")) {
        GTEST_SKIP() << "no locale with a decimal comma installed";
    }
    const auto mesh = load("# Coordinate3 { point [ 1.5 2 3, 4 5 1,5 6 7, ] }");
    std::setlocale(LC_ALL, saved.c_str());
    EXPECT_EQ(mesh->points, (Points{{1.5, 2, 3}, {4, 5, 1}, {5, 6, 7}}));
}

TEST_F(VrmlReaderTest, HostileContentStaysInsideItsLists) {
    std::mt19937 random(20261207);
    std::uniform_int_distribution<int> byte(0, 255);
    std::string binary(200000, '\0');
    for (char& c : binary) {
        c = static_cast<char>(byte(random));
    }
    expectDrawable(*load(binary, "binary.wrl"));

    // Keywords and numbers shuffled at random: every combination the patterns can meet.
    const char* pieces[] = {"Coordinate3", "Normal", "coordIndex", "normalIndex", "{",  "[",
                            "]",           "point",  "-1",         "-1,",         "0,", "1,",
                            "2",           "3,",     "-2",         "7",           ",",  "0.5",
                            "1e9",         "nan",    "0,1,2,-1,",  "\r\n",        "x"};
    std::uniform_int_distribution<size_t> pick(0, std::size(pieces) - 1);
    for (int file = 0; file < 40; ++file) {
        std::string text = "#VRML ";
        for (int i = 0; i < 400; ++i) {
            text += pieces[pick(random)];
            text += (i % 7 == 0) ? "" : " ";
        }
        const auto mesh = load(text, "shuffled.wrl");
        expectDrawable(*mesh);
    }

    // Words hundreds of thousands of characters long.
    const std::string huge(400000, '7');
    expectDrawable(*load("#VRML Coordinate3 { point [ " + huge + " 1 2, ] }\ncoordIndex [ " + huge +
                         ", 0, 0, -1 ]"));
}

}  // namespace
