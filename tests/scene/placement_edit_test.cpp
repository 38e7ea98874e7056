#include "scene/placement_edit.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <memory>

#include "scene/mesh.h"
#include "scene/scene.h"
#include "support/same_bits.h"

namespace {

// A cube of side 2 * half around (x, y, z): its eight corners, two triangles a face.
std::unique_ptr<Mesh> cubeMesh(const std::string& name, double half, double x = 0, double y = 0,
                               double z = 0) {
    auto mesh = std::make_unique<Mesh>(name);
    for (int i = 0; i < 8; ++i) {
        mesh->points.push_back(
            {x + (i & 1 ? half : -half), y + (i & 2 ? half : -half), z + (i & 4 ? half : -half)});
    }
    const int32_t faces[6][4] = {{0, 1, 3, 2}, {4, 6, 7, 5}, {0, 4, 5, 1},
                                 {2, 3, 7, 6}, {0, 2, 6, 4}, {1, 5, 7, 3}};
    for (const auto& f : faces) {
        mesh->coordIndex.push_back({f[0], f[1], f[2]});
        mesh->coordIndex.push_back({f[0], f[2], f[3]});
    }
    return mesh;
}

// Where the matrix puts the point, in double.
std::array<double, 3> placed(const Matrix4& m, double x, double y, double z) {
    return {m[0] * x + m[4] * y + m[8] * z + m[12], m[1] * x + m[5] * y + m[9] * z + m[13],
            m[2] * x + m[6] * y + m[10] * z + m[14]};
}

void expectPoint(const std::array<double, 3>& p, double x, double y, double z) {
    EXPECT_NEAR(p[0], x, 1e-5);
    EXPECT_NEAR(p[1], y, 1e-5);
    EXPECT_NEAR(p[2], z, 1e-5);
}

TEST(PlacementEdit, MatricesMoveTurnAndScaleAboutTheCentre) {
    const double from[3] = {1, 2, 3}, to[3] = {4, 4, 4};
    EXPECT_TRUE(sameBits(moveMatrix(from, to), translationMatrix(3, 2, 1)));

    // A quarter turn about world Z through (1, 0, 0): the centre stays, (2, 0, 0) goes to (1, 1,
    // 0).
    const double centre[3] = {1, 0, 0};
    const Matrix4 turn = turnAboutMatrix(centre, 0, 0, 90);
    expectPoint(placed(turn, 1, 0, 0), 1, 0, 0);
    expectPoint(placed(turn, 2, 0, 0), 1, 1, 0);
    // Z acts first, then Y, then X, as a world-side turn does: (1, 0, 1) relative to the centre
    // turned by Z 90 is (0, 1, 1), then by X 90 it is (0, -1, 1).
    expectPoint(placed(turnAboutMatrix(centre, 90, 0, 90), 2, 0, 1), 1, -1, 1);
    EXPECT_TRUE(sameBits(turnAboutMatrix(centre, 0, 0, 0), identityMatrix()));

    const double middle[3] = {1, 1, 1};
    const Matrix4 scale = scaleAboutMatrix(middle, 2, 3, -1);
    expectPoint(placed(scale, 1, 1, 1), 1, 1, 1);
    expectPoint(placed(scale, 2, 2, 2), 3, 4, 0);
}

TEST(PlacementEdit, AnEditWhoseResultIsNotFiniteChangesNoObject) {
    auto mesh = cubeMesh("cube.wrl", 0.5);
    SceneObject small(mesh.get()), huge(mesh.get());
    huge.transform = scaleMatrix(1e37f, 1e37f, 1e37f);
    const Matrix4 smallBefore = small.transform, hugeBefore = huge.transform;
    const double centre[3] = {0, 0, 0};
    EXPECT_FALSE(applyWorldEdit({&small, &huge}, scaleAboutMatrix(centre, 100, 100, 100)));
    EXPECT_TRUE(sameBits(small.transform, smallBefore));
    EXPECT_TRUE(sameBits(huge.transform, hugeBefore));

    EXPECT_TRUE(applyWorldEdit({&small, &huge}, scaleAboutMatrix(centre, 2, 2, 2)));
    EXPECT_TRUE(sameBits(small.transform, scaleMatrix(2, 2, 2)));
    // The edit goes before the transform; a pending rotation stays inside, untouched.
    small.pendingRotation = rotationMatrix(30, 0, 1, 0);
    EXPECT_TRUE(applyWorldEdit({&small}, translationMatrix(1, 0, 0)));
    EXPECT_TRUE(
        sameBits(small.transform, multiply(translationMatrix(1, 0, 0), scaleMatrix(2, 2, 2))));
    EXPECT_TRUE(sameBits(small.pendingRotation, rotationMatrix(30, 0, 1, 0)));
}

TEST(PlacementEdit, SelectionPlaceIsTheBoxOfWhatIsDrawnOrElseOfTheOrigins) {
    Scene scene;
    scene.models.push_back(cubeMesh("cube.wrl", 0.5));
    scene.models.push_back(std::make_unique<Mesh>("empty.wrl"));
    SceneObject* a = scene.addInstance(0);
    SceneObject* b = scene.addInstance(0);
    SceneObject* invisible = scene.addInstance(1);
    b->transform = translationMatrix(4, 0, 0);
    invisible->transform = translationMatrix(-7, 2, 1);
    EXPECT_TRUE(selectionPlace(scene).box.empty());

    scene.selectObject(0);
    scene.selectObject(1);
    scene.selectObject(2);
    SelectionPlace place = selectionPlace(scene);
    EXPECT_FALSE(place.fromOrigins);  // the invisible object adds nothing
    double centre[3];
    boxCentre(place.box, centre);
    EXPECT_DOUBLE_EQ(centre[0], 2);
    EXPECT_DOUBLE_EQ(place.box.hi[0] - place.box.lo[0], 5);
    EXPECT_DOUBLE_EQ(place.box.hi[1] - place.box.lo[1], 1);

    // A pending rotation counts as it is drawn: turned by 45 degrees about Z, the cube's corner
    // reaches up to the half diagonal.
    a->pendingRotation = rotationMatrix(45, 0, 0, 1);
    EXPECT_NEAR(selectionPlace(scene).box.hi[1], std::sqrt(0.5), 1e-6);

    scene.clearSelection();
    scene.selectObject(2);
    place = selectionPlace(scene);
    EXPECT_TRUE(place.fromOrigins);
    boxCentre(place.box, centre);
    EXPECT_DOUBLE_EQ(centre[0], -7);
    EXPECT_DOUBLE_EQ(centre[1], 2);
    EXPECT_DOUBLE_EQ(centre[2], 1);
}

}  // namespace
