#include "scenefile/vrml_export.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "library/vrml_reader.h"
#include "scene/mesh.h"
#include "support/export_sample.h"

namespace {

// The classic model reading of the exported text, as start-up would read it from the model folder.
std::unique_ptr<Mesh> readClassic(const std::string& text) {
    auto mesh = std::make_unique<Mesh>("scene.wrl");
    readModelText(*mesh, text);
    return mesh;
}

TEST(VrmlExport, TheClassicReadingTakesEveryTriangleInWorldCoordinatesWithNormals) {
    const auto sample = makeExportSample();
    std::string text, reason;
    ASSERT_TRUE(formatVrmlExport(sample->scene, text, reason)) << reason;
    EXPECT_TRUE(reason.empty());
    const auto read = readClassic(text);
    const Mesh& mesh = *read;
    EXPECT_EQ(mesh.coordIndex.size(), ExportSample::TRIANGLES);
    EXPECT_EQ(mesh.points.size(), 4u * 8 + 4);
    // The file's own normals were read (six per cube, one per tetrahedron face), not generated.
    EXPECT_EQ(mesh.normals.size(), 4u * 6 + 4);
    ASSERT_EQ(mesh.normalIndex.size(), mesh.coordIndex.size());
    double min[3] = {INFINITY, INFINITY, INFINITY}, max[3] = {-INFINITY, -INFINITY, -INFINITY};
    for (const Vec3d& p : mesh.points) {
        const double v[3] = {p.x, p.y, p.z};
        for (int k = 0; k < 3; ++k) {
            min[k] = std::min(min[k], v[k]);
            max[k] = std::max(max[k], v[k]);
        }
    }
    for (int k = 0; k < 3; ++k) {
        EXPECT_NEAR(min[k], ExportSample::MIN[k], 1e-5);
        EXPECT_NEAR(max[k], ExportSample::MAX[k], 1e-5);
    }
    for (const Vec3d& n : mesh.normals) {
        EXPECT_NEAR(std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z), 1, 1e-9);
    }
    // The moved cube's top face (its sixth normal, +y at x 4.5..5.5) keeps pointing up; the
    // turned tetrahedron's first face (normal -z before and after the turn) too.
    EXPECT_EQ(mesh.normals[6 + 3], (Vec3d{0, 1, 0}));
    const IndexTriple& first = mesh.normalIndex[36];
    EXPECT_NEAR(mesh.normals[first.a].z, -1, 1e-9);
}

TEST(VrmlExport, SheardAndMirroredNormalsStayPerpendicularAndOutward) {
    auto sample = makeExportSample();
    sample->scene.objects = {{0, sample->scene.objects[4].matrix}};
    sample->scene.objects[0].matrix[0] = -sample->scene.objects[0].matrix[0];  // mirror x
    sample->scene.objects[0].matrix[1] = -sample->scene.objects[0].matrix[1];
    sample->scene.objects[0].matrix[2] = -sample->scene.objects[0].matrix[2];
    std::string text, reason;
    ASSERT_TRUE(formatVrmlExport(sample->scene, text, reason)) << reason;
    const auto read = readClassic(text);
    const Mesh& mesh = *read;
    ASSERT_EQ(mesh.coordIndex.size(), 12u);
    Vec3d centre{};
    for (const Vec3d& p : mesh.points) {
        centre = {centre.x + p.x / 8, centre.y + p.y / 8, centre.z + p.z / 8};
    }
    for (size_t t = 0; t < mesh.coordIndex.size(); ++t) {
        const Vec3d& a = mesh.points[mesh.coordIndex[t].a];
        const Vec3d& b = mesh.points[mesh.coordIndex[t].b];
        const Vec3d& n = mesh.normals[mesh.normalIndex[t].a];
        // Perpendicular to the face's edge, and pointing away from the cube's centre.
        const Vec3d edge{b.x - a.x, b.y - a.y, b.z - a.z};
        EXPECT_NEAR(edge.x * n.x + edge.y * n.y + edge.z * n.z, 0, 1e-6) << "triangle " << t;
        const Vec3d out{a.x - centre.x, a.y - centre.y, a.z - centre.z};
        EXPECT_GT(out.x * n.x + out.y * n.y + out.z * n.z, 0) << "triangle " << t;
    }
}

TEST(VrmlExport, RefusesWhatCannotBeWritten) {
    auto sample = makeExportSample();
    std::string text, reason;
    EXPECT_FALSE(formatVrmlExport(ExportScene{}, text, reason));
    EXPECT_EQ(reason, "not exported: the scene has no triangles");
    sample->scene.objects[1].matrix[12] = NAN;
    EXPECT_FALSE(formatVrmlExport(sample->scene, text, reason));
    EXPECT_EQ(reason, "not exported: a number is inf or nan");
    sample->scene.objects[1].matrix[12] = 3e38f;
    sample->scene.objects[1].matrix[0] = 3e38f;
    EXPECT_FALSE(formatVrmlExport(sample->scene, text, reason));
    EXPECT_EQ(reason, "not exported: an object lies too far out");
    EXPECT_TRUE(text.empty());
}

}  // namespace
