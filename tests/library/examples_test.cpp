// The sample models shipped in examples/VRMLmodels read as intended with the quirky reader:
// every list complete, faces wound outwards, everything inside the default view box.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <filesystem>
#include <map>

#include "library/model_folder.h"
#include "library/model_library.h"
#include "platform/platform.h"
#include "scene/scene.h"
#include "support/scripted_platform.h"

namespace {

double dot(const Vec3d& a, const Vec3d& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
Vec3d sub(const Vec3d& a, const Vec3d& b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
Vec3d cross(const Vec3d& a, const Vec3d& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

TEST(ExamplesTest, EverySampleModelReadsCompletelyAndFacesOutwards) {
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(std::filesystem::path(TESSALY_SOURCE_DIR) / "examples");
    ScriptedPlatform scripted;
    scripted.install();
    Scene scene;
    loadModelLibrary(scene, platform());
    std::filesystem::current_path(previous);

    EXPECT_TRUE(scripted.messages.empty());
    // name -> {points, triangles, normals read from the file (0: generated)}
    const std::map<std::string, std::array<size_t, 3>> expected = {
        {"cube.wrl", {8, 12, 6}},          {"knot.wrl", {25600, 51200, 25600}},
        {"pyramid.wrl", {5, 6, 0}},        {"sphere.wrl", {360, 716, 0}},
        {"torus.wrl", {1152, 2304, 1152}},
    };
    ASSERT_EQ(scene.models.size(), expected.size());
    for (const auto& mesh : scene.models) {
        SCOPED_TRACE(mesh->name);
        ASSERT_TRUE(expected.count(mesh->name));
        const auto& [points, triangles, fileNormals] = expected.at(mesh->name);
        EXPECT_EQ(mesh->points.size(), points);
        EXPECT_EQ(mesh->coordIndex.size(), triangles);
        EXPECT_EQ(mesh->normals.size(), fileNormals ? fileNormals : triangles);
        EXPECT_EQ(mesh->normalIndex.size(), triangles);
        expectDrawable(*mesh);

        double volume = 0;
        size_t agreeing = 0;
        for (size_t i = 0; i < mesh->coordIndex.size(); ++i) {
            const IndexTriple& t = mesh->coordIndex[i];
            const Vec3d& p0 = mesh->points[t.a];
            const Vec3d& p1 = mesh->points[t.b];
            const Vec3d& p2 = mesh->points[t.c];
            volume += dot(p0, cross(p1, p2)) / 6;
            const Vec3d face = cross(sub(p1, p0), sub(p2, p1));
            const IndexTriple& n = mesh->normalIndex[i];
            const Vec3d& n0 = mesh->normals[n.a];
            const Vec3d& n1 = mesh->normals[n.b];
            const Vec3d& n2 = mesh->normals[n.c];
            agreeing += dot(face, {n0.x + n1.x + n2.x, n0.y + n1.y + n2.y, n0.z + n1.z + n2.z}) > 0;
        }
        EXPECT_GT(volume, 0) << "faces wound inwards";
        EXPECT_EQ(agreeing, triangles) << "normals disagree with the winding";
        for (const Vec3d& p : mesh->points) {
            ASSERT_TRUE(std::abs(p.x) < 2 && std::abs(p.y) < 2 && std::abs(p.z) < 2);
        }
    }
}

}  // namespace
