#include <gtest/gtest.h>

#include "matrix_reference.h"
#include "scene/mesh.h"
#include "scene/scene_object.h"
#include "support/same_bits.h"

namespace {

using namespace reference;

constexpr double TOLERANCE = 1e-6;

// A transform with awkward entries (negative zeros, values that do not round-trip through
// products with the identity's zeros) to catch any hidden multiplication.
Matrix4 awkwardTransform() {
    Matrix4 m = toFloats(product(translation(1.1, -0.3, 7), rotation(17, 1, 2, 3)));
    m[3] = -0.0f;
    m[7] = -0.0f;
    return m;
}

TEST(SceneObjectTest, TranslationActsAlongWorldAxesWhateverTheRotation) {
    SceneObject object(nullptr);
    object.transform = rotationMatrix(90, 0, 0, 1);
    object.translateObject(1, 0, 0);
    EXPECT_EQ(object.transform[12], 1.0f);
    EXPECT_EQ(object.transform[13], 0.0f);
    EXPECT_EQ(object.transform[14], 0.0f);
    EXPECT_LT(maxDifference(object.transform, product(translation(1, 0, 0), rz(90))), TOLERANCE);
}

TEST(SceneObjectTest, LocalScaleKeepsThePositionWorldScaleMovesIt) {
    SceneObject local(nullptr);
    local.transform = translationMatrix(1, 0, 0);
    local.scaleObjectLocal(2, 2, 2);
    EXPECT_EQ(local.transform[12], 1.0f);
    EXPECT_EQ(local.transform[13], 0.0f);
    EXPECT_EQ(local.transform[14], 0.0f);
    EXPECT_EQ(local.transform[0], 2.0f);

    SceneObject world(nullptr);
    world.transform = translationMatrix(1, 0, 0);
    world.scaleObjectWorld(2, 2, 2);
    EXPECT_EQ(world.transform[12], 2.0f);
    EXPECT_EQ(world.transform[13], 0.0f);
    EXPECT_EQ(world.transform[14], 0.0f);
    EXPECT_EQ(world.transform[0], 2.0f);
}

TEST(SceneObjectTest, LocalRotationTurnsInPlaceWorldRotationSwingsAboutOrigin) {
    SceneObject local(nullptr);
    local.transform = translationMatrix(1, 0, 0);
    local.rotateObjectLocal(0, 0, 90);
    EXPECT_LT(maxDifference(local.transform, product(translation(1, 0, 0), rz(90))), TOLERANCE);

    SceneObject world(nullptr);
    world.transform = translationMatrix(1, 0, 0);
    world.rotateObjectWorld(0, 0, 90);
    EXPECT_LT(maxDifference(world.transform, product(rz(90), translation(1, 0, 0))), TOLERANCE);
    EXPECT_NEAR(world.transform[12], 0, TOLERANCE);
    EXPECT_NEAR(world.transform[13], 1, TOLERANCE);
}

TEST(SceneObjectTest, RotationFactorForZActsFirstThenYThenX) {
    SceneObject local(nullptr);
    local.rotateObjectLocal(90, 90, 0);
    const auto p = apply(fromFloats(local.transform), 0, 0, 1);
    EXPECT_NEAR(p[0], 1, TOLERANCE);
    EXPECT_NEAR(p[1], 0, TOLERANCE);
    EXPECT_NEAR(p[2], 0, TOLERANCE);

    const Mat expected = product(rx(25), product(ry(-40), rz(70)));
    SceneObject threeAngles(nullptr);
    threeAngles.rotateObjectLocal(25, -40, 70);
    EXPECT_LT(maxDifference(threeAngles.transform, expected), TOLERANCE);

    SceneObject world(nullptr);
    world.transform = translationMatrix(0, 2, 0);
    world.rotateObjectWorld(25, -40, 70);
    EXPECT_LT(maxDifference(world.transform, product(expected, translation(0, 2, 0))), TOLERANCE);
}

TEST(SceneObjectTest, ZeroAnglesLeaveTransformBitForBit) {
    SceneObject object(nullptr);
    object.transform = awkwardTransform();
    const Matrix4 before = object.transform;
    object.rotateObjectLocal(0, 0, 0);
    EXPECT_TRUE(sameBits(object.transform, before));
    object.rotateObjectWorld(0, 0, 0);
    EXPECT_TRUE(sameBits(object.transform, before));
    object.rotateObjectWorld(-0.0f, 0, -0.0f);
    EXPECT_TRUE(sameBits(object.transform, before));
}

TEST(SceneObjectTest, OnlyTransformChanges) {
    Mesh mesh("m.wrl");
    SceneObject object(&mesh);
    object.selected = true;
    object.index = 4;
    object.pendingRotation = rotationMatrix(10, 0, 1, 0);
    object.translateObject(1, 2, 3);
    object.scaleObjectLocal(2, 1, 1);
    object.scaleObjectWorld(1, 3, 1);
    object.rotateObjectLocal(5, 0, 0);
    object.rotateObjectWorld(0, 0, 5);
    EXPECT_TRUE(object.selected);
    EXPECT_EQ(object.index, 4);
    EXPECT_EQ(object.mesh, &mesh);
    EXPECT_EQ(object.pendingRotation, rotationMatrix(10, 0, 1, 0));
}

TEST(SceneObjectTest, FoldingPendingRotationKeepsTheDrawnPosition) {
    SceneObject object(nullptr);
    object.transform = translationMatrix(1, 0, 0);
    object.pendingRotation = rotationMatrix(30, 0, 1, 0);
    const Mat drawnBefore =
        product(fromFloats(object.transform), fromFloats(object.pendingRotation));
    object.foldPendingRotation();
    EXPECT_EQ(object.pendingRotation, identityMatrix());
    EXPECT_LT(maxDifference(object.transform, product(translation(1, 0, 0), ry(30))), TOLERANCE);
    for (const auto& point : {std::array<double, 3>{0, 0, 0}, {1, 2, 3}, {-4, 0.5, 2}}) {
        const auto before = apply(drawnBefore, point[0], point[1], point[2]);
        const auto after = apply(fromFloats(object.transform), point[0], point[1], point[2]);
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR(after[k], before[k], 1e-6);
        }
    }
}

TEST(SceneObjectTest, FoldingTheIdentityChangesNothing) {
    SceneObject object(nullptr);
    object.transform = awkwardTransform();
    const Matrix4 before = object.transform;
    object.foldPendingRotation();
    EXPECT_TRUE(sameBits(object.transform, before));
    EXPECT_EQ(object.pendingRotation, identityMatrix());
}

}  // namespace
