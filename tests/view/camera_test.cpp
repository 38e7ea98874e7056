#include <gtest/gtest.h>

#include "view/camera.h"

namespace {

Camera orthographic(int axis) {
    Camera camera;
    camera.axis = axis;
    camera.home();
    return camera;
}

Camera perspectiveCamera() {
    Camera camera;
    camera.perspective = true;
    camera.home();
    return camera;
}

TEST(CameraTest, HomePlacesEyeAndCentreOnTheViewAxis) {
    Camera side = orthographic(0);
    EXPECT_EQ(side.eye.x, 5.0f);
    EXPECT_EQ(side.centre.x, -1.0f);
    EXPECT_EQ(side.eye.y, 0.0f);
    Camera top = orthographic(1);
    EXPECT_EQ(top.eye.y, 5.0f);
    EXPECT_EQ(top.centre.y, -1.0f);
    Camera front = perspectiveCamera();
    EXPECT_EQ(front.eye.z, 5.0f);
    EXPECT_EQ(front.centre.z, -1.0f);
}

TEST(CameraTest, ResetRestoresStartStateButKeepsAxisUpAndKind) {
    Camera camera = perspectiveCamera();
    camera.pan(0.3f, -0.2f);
    camera.orbit(40, -70);
    camera.zoomBy(120);
    camera.zoom = 0.4f;
    camera.reset();
    EXPECT_EQ(camera.eye.z, 5.0f);
    EXPECT_EQ(camera.centre.z, -1.0f);
    EXPECT_EQ(camera.rotX, 0);
    EXPECT_EQ(camera.rotY, 0);
    EXPECT_EQ(camera.panX, 0.0f);
    EXPECT_EQ(camera.panY, 0.0f);
    EXPECT_EQ(camera.zoom, 0.0f);
    EXPECT_TRUE(camera.perspective);
    EXPECT_EQ(camera.axis, 2);
    EXPECT_EQ(camera.up.y, 1.0f);
}

TEST(CameraTest, OrbitRemainderKeepsTheSignOfTheSum) {
    Camera camera = perspectiveCamera();
    camera.orbit(200, 0);
    camera.orbit(200, 0);
    EXPECT_EQ(camera.rotY, 40);
    camera.reset();
    camera.orbit(-200, -200);
    camera.orbit(-200, -200);
    EXPECT_EQ(camera.rotY, -40);
    EXPECT_EQ(camera.rotX, -40);
    camera.rotY = 350;
    camera.orbit(20, 0);
    EXPECT_EQ(camera.rotY, 10);
    camera.rotY = -350;
    camera.orbit(-20, 0);
    EXPECT_EQ(camera.rotY, -10);
}

TEST(CameraTest, OrthographicPanIsTenTimesThePerspectivePan) {
    Camera ortho = orthographic(2);
    ortho.pan(0.01f, 0);
    EXPECT_FLOAT_EQ(ortho.panX, 0.1f);
    Camera persp = perspectiveCamera();
    persp.pan(0.01f, 0);
    EXPECT_FLOAT_EQ(persp.panX, 0.01f);
}

TEST(CameraTest, OrthographicZoomShrinksTheBoxDownToALimit) {
    Camera camera = orthographic(2);
    EXPECT_EQ(camera.orthoHalfSize(), 2.0f);
    camera.zoomBy(10);  // zoom 0.5
    EXPECT_FLOAT_EQ(camera.zoom, 0.5f);
    EXPECT_FLOAT_EQ(camera.orthoHalfSize(), 1.0f);
    camera.zoomBy(1000);
    EXPECT_GT(camera.orthoHalfSize(), 0.0f);
    EXPECT_FLOAT_EQ(camera.orthoHalfSize(), ORTHO_MIN_HALF);
    // Zooming out reacts at once: the stored zoom stopped at the limit.
    const float before = camera.orthoHalfSize();
    camera.zoomBy(-1);
    EXPECT_GT(camera.orthoHalfSize(), before);
}

TEST(CameraTest, PerspectiveDollyMovesAlongCentreAndStopsShortOfIt) {
    Camera camera = perspectiveCamera();
    camera.zoomBy(100);  // eye += (0, 0, -1) * 1
    EXPECT_FLOAT_EQ(camera.eye.z, 4.0f);
    camera.zoomBy(-100);
    EXPECT_FLOAT_EQ(camera.eye.z, 5.0f);
    for (int i = 0; i < 100; ++i) {
        camera.zoomBy(100);
    }
    EXPECT_GT(camera.eye.z, camera.centre.z);
    EXPECT_NEAR(camera.eye.z, camera.centre.z + EYE_MIN_DISTANCE, 1e-4);
    camera.zoomBy(-50);
    EXPECT_GT(camera.eye.z, camera.centre.z + EYE_MIN_DISTANCE + 0.4f);
}

}  // namespace
