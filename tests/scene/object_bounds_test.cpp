#include "scene/object_bounds.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

#include "scene/mesh.h"
#include "scene/scene.h"

namespace {

constexpr double INF = std::numeric_limits<double>::infinity();
constexpr double NOT_A_NUMBER = std::numeric_limits<double>::quiet_NaN();

// A Mesh whose one triangle per three points uses them in order.
std::unique_ptr<Mesh> meshOf(std::initializer_list<Vec3d> points) {
    auto mesh = std::make_unique<Mesh>("m.wrl");
    mesh->points = points;
    for (int32_t i = 0; i + 2 < static_cast<int32_t>(mesh->points.size()); i += 3) {
        mesh->coordIndex.push_back({i, i + 1, i + 2});
    }
    return mesh;
}

void expectBox(const Box3& box, Vec3d lo, Vec3d hi, double tolerance = 1e-5) {
    ASSERT_FALSE(box.empty());
    EXPECT_NEAR(box.lo[0], lo.x, tolerance);
    EXPECT_NEAR(box.lo[1], lo.y, tolerance);
    EXPECT_NEAR(box.lo[2], lo.z, tolerance);
    EXPECT_NEAR(box.hi[0], hi.x, tolerance);
    EXPECT_NEAR(box.hi[1], hi.y, tolerance);
    EXPECT_NEAR(box.hi[2], hi.z, tolerance);
}

TEST(ObjectBounds, PlacedByTransformTimesPendingRotation) {
    auto mesh = meshOf({{0, 0, 0}, {2, 0, 0}, {0, 1, 3}});
    SceneObject object(mesh.get());
    expectBox(objectWorldBounds(object), {0, 0, 0}, {2, 1, 3});

    // The pending rotation turns first (about Z: x becomes y), then the transform scales by 10
    // and moves to 2000.
    object.pendingRotation = rotationMatrix(90, 0, 0, 1);
    object.transform = multiply(translationMatrix(2000, 0, -5), scaleMatrix(10, 10, 10));
    expectBox(objectWorldBounds(object), {1990, 0, -5}, {2000, 20, 25}, 1e-3);
}

TEST(ObjectBounds, OnlyPointsThatDrawnTrianglesUse) {
    auto mesh = meshOf({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
    mesh->points.push_back({500, 500, 500});       // used by no triangle that is drawn:
    mesh->coordIndex.push_back({3, 1, 7});         // an index past the points
    mesh->coordIndex.push_back({-1, 3, 1});        // a negative one
    mesh->points.push_back({NOT_A_NUMBER, 0, 0});  // not finite, yet used
    mesh->points.push_back({0, INF, 0});
    mesh->points.push_back({0, 0, 1e300});  // beyond single precision
    mesh->coordIndex.push_back({4, 5, 6});
    SceneObject object(mesh.get());
    expectBox(objectWorldBounds(object), {0, 0, 0}, {1, 1, 0});
}

TEST(ObjectBounds, NothingDrawableGivesAnEmptyBox) {
    auto empty = std::make_unique<Mesh>("empty.wrl");
    EXPECT_TRUE(objectWorldBounds(SceneObject(empty.get())).empty());
    EXPECT_TRUE(objectWorldBounds(SceneObject(nullptr)).empty());

    auto pointsOnly = std::make_unique<Mesh>("points.wrl");
    pointsOnly->points = {{1, 2, 3}, {4, 5, 6}};
    EXPECT_TRUE(objectWorldBounds(SceneObject(pointsOnly.get())).empty());

    auto mesh = meshOf({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
    SceneObject object(mesh.get());
    object.transform[12] = std::numeric_limits<float>::infinity();
    EXPECT_TRUE(objectWorldBounds(object).empty());
    object.transform = translationMatrix(3e38f, 0, 0);
    object.transform[0] = 3e38f;  // carries x = 1 past the largest float
    const Box3 box = objectWorldBounds(object);
    ASSERT_FALSE(box.empty());
    EXPECT_EQ(box.hi[0], static_cast<double>(3e38f));  // the points at x = 0 only
}

TEST(ObjectBounds, ProjectivePlacementIsDividedThroughAndPointsAtInfinityLeftOut) {
    auto mesh = meshOf({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
    SceneObject object(mesh.get());
    object.transform[15] = 2;  // w = 2: every point at half its place
    expectBox(objectWorldBounds(object), {0, 0, 0}, {0.5, 0.5, 0});
    object.transform[3] = -2;  // w = 2 - 2x: the point at x = 1 lies at infinity
    expectBox(objectWorldBounds(object), {0, 0, 0}, {0, 0.5, 0});
}

TEST(ObjectBounds, SceneBoxHoldsEveryObjectWithABox) {
    Scene scene;
    EXPECT_TRUE(sceneWorldBounds(scene).empty());
    scene.models.push_back(meshOf({{0, 0, 0}, {1, 1, 1}, {0, 1, 0}}));
    scene.models.push_back(std::make_unique<Mesh>("nothing.wrl"));
    scene.addInstance(1);
    EXPECT_TRUE(sceneWorldBounds(scene).empty());
    scene.addInstance(0)->transform = translationMatrix(-3000, 0, 0);
    scene.addInstance(0)->transform = translationMatrix(5000, 100, -2000);
    expectBox(sceneWorldBounds(scene), {-3000, 0, -2000}, {5001, 101, 1}, 1e-3);
}

}  // namespace
