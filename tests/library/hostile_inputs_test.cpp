// Hostile and huge model files: the reader stays up, its memory stays bounded by the file's size,
// and it keeps what is valid. Files are generated in a temporary folder at test time. Each load
// runs in a forked child (runMeasured) so that its peak resident size measures that load alone.
//
// Sizes are chosen so that the whole group stays well under a minute in the sanitizer build:
// 256 MB of garbage, a 256 MB word, 10 million -1s, 10 million nested brackets.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <random>
#include <string>

#include "library/model_folder.h"
#include "scene/index_range.h"
#include "support/measured_run.h"
#include "support/repeated_file.h"

namespace {

constexpr size_t MB = size_t{1} << 20;

// What a child reports about one load.
struct LoadFigures {
    bool loaded = false;
    bool drawable = false;       // every index inside its list
    bool finiteNormals = false;  // every normal finite
    size_t points = 0, normals = 0, coordIndex = 0, normalIndex = 0;
    Vec3d firstPoint;
    long peakGrowthKb = -1;  // peak resident size during the load minus before it
};

bool insideTriples(const std::vector<IndexTriple>& list, size_t count, size_t size) {
    for (size_t i = 0; i < count; ++i) {
        if (!validTriple(list[i], size)) {
            return false;
        }
    }
    return true;
}

// Loads VRMLmodels/<name> in a forked child and brings back what it read.
LoadFigures loadInChild(const std::string& name) {
    LoadFigures figures;
    const MeasuredRun run = runMeasured(
        [&] {
            Mesh mesh(name);
            figures.loaded = loadModel(mesh);
            figures.points = mesh.points.size();
            figures.normals = mesh.normals.size();
            figures.coordIndex = mesh.coordIndex.size();
            figures.normalIndex = mesh.normalIndex.size();
            if (!mesh.points.empty()) {
                figures.firstPoint = mesh.points[0];
            }
            figures.drawable =
                insideTriples(mesh.coordIndex, mesh.coordIndex.size(), mesh.points.size()) &&
                (!mesh.normals.empty() || mesh.coordIndex.empty()) &&
                (mesh.normals.empty() ||
                 (mesh.normalIndex.size() >= mesh.coordIndex.size() &&
                  insideTriples(mesh.normalIndex, mesh.coordIndex.size(), mesh.normals.size())));
            figures.finiteNormals = true;
            for (const Vec3d& n : mesh.normals) {
                figures.finiteNormals = figures.finiteNormals && std::isfinite(n.x) &&
                                        std::isfinite(n.y) && std::isfinite(n.z);
            }
        },
        &figures, sizeof figures);
    EXPECT_TRUE(run.finished) << "the load did not finish normally";
    figures.peakGrowthKb = run.peakGrowthKb;
    return figures;
}

class HostileInputsTest : public ModelFolderTest {
protected:
    // Writes VRMLmodels/<name> as `head`, then `block` repeated until `size` bytes of it, then
    // `tail`. Returns the file's size.
    size_t writeRepeated(const std::string& name, const std::string& head, const std::string& block,
                         size_t size, const std::string& tail) {
        return writeRepeatedFile(folder / "VRMLmodels" / name, head, block, size, tail);
    }

    // The generous bound: four times the file plus 100 MB.
    static void expectBounded(const LoadFigures& figures, size_t fileSize) {
        const long limitKb = static_cast<long>((4 * fileSize + 100 * MB) / 1024);
        EXPECT_GE(figures.peakGrowthKb, 0);
        EXPECT_LT(figures.peakGrowthKb, limitKb) << "peak growth " << figures.peakGrowthKb / 1024
                                                 << " MB for a file of " << fileSize / MB << " MB";
        std::printf("  file %zu MB, peak resident growth %ld MB\n", fileSize / MB,
                    figures.peakGrowthKb / 1024);
    }
};

TEST_F(HostileInputsTest, GarbageOfHundredsOfMegabytesReadsAsAnEmptyModel) {
    std::mt19937 random(7);
    std::string block(MB, '\0');
    for (char& c : block) {
        c = static_cast<char>(random() & 0xff);
    }
    const size_t size = writeRepeated("garbage.wrl", "", block, 256 * MB, "");
    const LoadFigures figures = loadInChild("garbage.wrl");
    EXPECT_TRUE(figures.loaded);
    EXPECT_TRUE(figures.drawable);
    EXPECT_EQ(figures.coordIndex, 0u);
    EXPECT_EQ(figures.normals, 0u);
    expectBounded(figures, size);
}

TEST_F(HostileInputsTest, OneEndlessWordOfKeywordsReadsAsAnEmptyModel) {
    // Without white space no keyword ever stands as a word of its own, wherever it is cut.
    const size_t size = writeRepeated(
        "word.wrl", "", "Coordinate3NormalcoordIndexnormalIndexpoint[vector{", 256 * MB, "Normal");
    const LoadFigures figures = loadInChild("word.wrl");
    EXPECT_TRUE(figures.loaded);
    EXPECT_EQ(figures.points + figures.normals + figures.coordIndex + figures.normalIndex, 0u);
    expectBounded(figures, size);
}

TEST_F(HostileInputsTest, MillionsOfMinusOnesAreReadWithoutATriangle) {
    // -1 ends an empty polygon: no triangle, in either index list; as points they all count.
    const size_t count = 10'000'000;
    const size_t size = writeRepeated(
        "ones.wrl", "#VRML V1.0 ascii\nCoordinate3 { point [ ", "-1 ", 3 * count,
        "]\nNormal { vector [ 0 0 1 ] }\ncoordIndex [ -1 -1 -1 ]\nnormalIndex [ -1 ]\n");
    const LoadFigures figures = loadInChild("ones.wrl");
    EXPECT_TRUE(figures.loaded);
    EXPECT_EQ(figures.points, count / 3);
    EXPECT_EQ(figures.coordIndex, 0u);
    EXPECT_EQ(figures.normals, 1u);  // the file's normal serves every (no) triangle
    expectBounded(figures, size);

    const size_t indexSize = writeRepeated(
        "index.wrl",
        "#VRML V1.0 ascii\nCoordinate3 { point [ 0 0 0, 1 0 0, 0 1 0 ] }\ncoordIndex [ ", "-1, ",
        4 * count, "0, 1, 2, -1 ]\nnormalIndex [ -1 -1 ]\n");
    const LoadFigures indexFigures = loadInChild("index.wrl");
    EXPECT_EQ(indexFigures.coordIndex, 1u);
    EXPECT_EQ(indexFigures.normals, 1u);
    EXPECT_TRUE(indexFigures.drawable);
    expectBounded(indexFigures, indexSize);
}

TEST_F(HostileInputsTest, NonFiniteAndEndlessNumbersAreReadAndNormalsStayFinite) {
    writeModel("wild.wrl",
               "#VRML V1.0 ascii\nCoordinate3 { point [ 1e999 nan inf, -inf -1e999 NAN, 1e-999 "
               "0x1p99999 -nan,"
               " 0 0 0, 1 0 0, 0 1 0 ] }\n"
               "coordIndex [ 0, 1, 2, -1, 3, 4, 5, -1, 0, 3, 4, -1 ]\n");
    const LoadFigures wild = loadInChild("wild.wrl");
    EXPECT_TRUE(wild.loaded);
    EXPECT_EQ(wild.points, 6u);
    EXPECT_EQ(wild.firstPoint.x, INFINITY);
    EXPECT_TRUE(std::isnan(wild.firstPoint.y));
    EXPECT_EQ(wild.coordIndex, 3u);
    EXPECT_EQ(wild.normals, 3u);
    EXPECT_TRUE(wild.finiteNormals);
    EXPECT_TRUE(wild.drawable);

    // A number of 64 MB of digits with an exponent of a million digits.
    const size_t size =
        writeRepeated("long.wrl", "#VRML V1.0 ascii\nCoordinate3 { point [ 0.", "0123456789",
                      64 * MB, "e" + std::string(MB, '9') + " 2 3 ] }\n");
    const LoadFigures longNumber = loadInChild("long.wrl");
    EXPECT_EQ(longNumber.points, 1u);
    EXPECT_EQ(longNumber.firstPoint.x, INFINITY);
    expectBounded(longNumber, size);
}

TEST_F(HostileInputsTest, DeepNestingIsJustWords) {
    // The reader keeps no nesting, so ten million brackets cost nothing but reading them.
    const size_t size = writeRepeated(
        "nested.wrl", "#VRML V1.0 ascii\nCoordinate3 { point [ 0 0 0, 1 0 0, 0 1 0 ] }\n", "[{",
        20'000'000,
        "\ncoordIndex [ 0 1 2 -1 ]\n" + std::string(1000, '}') + std::string(1000, ']'));
    const LoadFigures figures = loadInChild("nested.wrl");
    EXPECT_TRUE(figures.loaded);
    EXPECT_EQ(figures.points, 3u);
    EXPECT_EQ(figures.coordIndex, 1u);
    EXPECT_TRUE(figures.drawable);
    expectBounded(figures, size);
}

}  // namespace

namespace {

TEST_F(HostileInputsTest, KeywordAtTheEndOfAWordOfMegabytesCountsWhereTheCutsFallOnIt) {
    // A keyword ending a run of non-space is a word of its own only when the run before it is a
    // whole number of 99-character cuts; the run here spans several release steps.
    const std::string run(99 * 30'000, 'x');
    const auto hit = load("#VRML\n" + run + "Normal { vector [ 1 2 3 ] }\n");
    EXPECT_EQ(hit->normals, (std::vector<Vec3d>{{1, 2, 3}}));
    const auto miss = load("#VRML\n" + run + "yNormal { vector [ 1 2 3 ] }\n");
    EXPECT_TRUE(miss->normals.empty());
}

}  // namespace
