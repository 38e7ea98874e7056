#include "view/framing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "interact/drag_rules.h"
#include "scene/matrix_reference.h"

namespace {

// The matrices that Camera::apply and setProjection build, worked out here in double from the
// camera's fields, so that the fit can be checked where every corner lands on screen.
using reference::identity;
using reference::Mat;
using reference::translation;

Mat operator*(const Mat& a, const Mat& b) {
    return reference::product(a, b);
}
Mat ortho(double h, double depth) {
    Mat m = identity();
    m[0][0] = m[1][1] = 1 / h;
    m[2][2] = -1 / depth;
    return m;
}
Mat perspective(double aspect) {
    const double f = 1 / std::tan(M_PI / 8), nearPlane = 0.1, farPlane = 200;
    Mat m{};
    m[0][0] = f / aspect;
    m[1][1] = f;
    m[2][2] = (farPlane + nearPlane) / (nearPlane - farPlane);
    m[3][2] = -1;
    m[2][3] = 2 * farPlane * nearPlane / (nearPlane - farPlane);
    return m;
}
// gluLookAt for an eye on the Z axis looking toward -Z, the perspective camera's home.
Mat lookAtHome(const Camera& c) {
    EXPECT_EQ(c.eye.x, 0);
    EXPECT_EQ(c.eye.y, 0);
    EXPECT_LT(c.centre.z, c.eye.z);
    return translation(0, 0, -c.eye.z);
}

Mat clipMatrix(const Camera& c, double aspect) {
    Mat framing = identity();
    if (c.framing.active) {
        const double shrink = 1.0 / c.framing.scale;
        framing = reference::scale(shrink, shrink, shrink) *
                  translation(-c.framing.centre.x, -c.framing.centre.y, -c.framing.centre.z);
    }
    if (c.perspective) {
        return perspective(aspect) * lookAtHome(c) * translation(c.panX, c.panY, 0) *
               reference::rx(c.rotX) * reference::ry(c.rotY) * framing;
    }
    const double depth = c.framing.active ? c.framing.depthHalf : 200;
    Mat view = c.axis == 0   ? reference::ry(-90) * translation(0, c.panY, -c.panX)
               : c.axis == 1 ? reference::rx(90) * translation(c.panX, 0, -c.panY)
                             : translation(c.panX, c.panY, 0);
    return ortho(c.orthoHalfSize(), depth) * view * framing;
}

struct Ndc {
    double x = 0, y = 0, z = 0;
    bool inFront = true;
};
Ndc project(const Mat& m, double x, double y, double z) {
    double q[4];
    for (int r = 0; r < 4; ++r) {
        q[r] = m[r][0] * x + m[r][1] * y + m[r][2] * z + m[r][3];
    }
    return {q[0] / q[3], q[1] / q[3], q[2] / q[3], q[3] > 0};
}

Box3 box(Vec3d lo, Vec3d hi) {
    Box3 b;
    b.add(lo.x, lo.y, lo.z);
    b.add(hi.x, hi.y, hi.z);
    return b;
}

// Where the box lands: whether every corner is inside the view and between the near and far
// planes, how far out the farthest corner reaches (1 is the view's edge), and where its centre is.
struct Landing {
    bool inside = true;
    double reach = 0;
    Ndc centre;
};
Landing landing(const Camera& camera, const Box3& b, double aspect) {
    const Mat m = clipMatrix(camera, aspect);
    Landing result;
    for (int corner = 0; corner < 8; ++corner) {
        const Ndc p = project(m, b.lo[0] + (corner & 1 ? b.hi[0] - b.lo[0] : 0),
                              b.lo[1] + (corner & 2 ? b.hi[1] - b.lo[1] : 0),
                              b.lo[2] + (corner & 4 ? b.hi[2] - b.lo[2] : 0));
        result.inside = result.inside && p.inFront && std::fabs(p.x) < 1 && std::fabs(p.y) < 1 &&
                        std::fabs(p.z) < 1;
        result.reach = std::max({result.reach, std::fabs(p.x), std::fabs(p.y)});
    }
    result.centre =
        project(m, (b.lo[0] + b.hi[0]) / 2, (b.lo[1] + b.hi[1]) / 2, (b.lo[2] + b.hi[2]) / 2);
    return result;
}

Camera orthographic(int axis) {
    Camera camera;
    camera.axis = axis;
    camera.home();
    return camera;
}
Camera perspectiveCamera(int rotX = 0, int rotY = 0) {
    Camera camera;
    camera.perspective = true;
    camera.home();
    camera.rotX = rotX;
    camera.rotY = rotY;
    return camera;
}

bool isUnframed(const Framing& f) {
    return !f.active && f.centre.x == 0 && f.centre.y == 0 && f.centre.z == 0 && f.scale == 1 &&
           f.depthHalf == 200;
}

constexpr double VIEW_ASPECT = 307.0 / 292;  // the views of the 800 by 600 window

struct NamedBox {
    const char* name;
    Box3 box;
};
const std::vector<NamedBox>& worlds() {
    static const std::vector<NamedBox> cases = {
        {"near 2000", box({1990, 1995, 2000}, {2010, 2005, 2003})},
        {"0.001 across", box({0.3, 0.2, 0.1}, {0.301, 0.201, 0.101})},
        {"1e5 across", box({-2e4, -5e4, -3e4}, {8e4, 5e4, 7e4})},
        {"far apart", box({-3010, -10, -2010}, {5010, 110, 10})},
        {"flat", box({-1, -1, 0.5}, {1, 1, 0.5})},
        {"around the default view", box({-0.5, -0.5, -0.5}, {0.5, 0.5, 0.5})},
    };
    return cases;
}

TEST(FrameAll, OrthographicViewsShowTheWholeBoxCentredAcrossNineTenths) {
    for (const NamedBox& world : worlds()) {
        for (int axis : {0, 1, 2}) {
            Camera camera = orthographic(axis);
            camera.panX = 7;
            camera.zoom = 0.3f;
            frameCamera(camera, world.box, VIEW_ASPECT);
            ASSERT_TRUE(camera.framing.active);
            EXPECT_EQ(camera.panX, 0);
            EXPECT_EQ(camera.zoom, 0);
            const Landing l = landing(camera, world.box, VIEW_ASPECT);
            EXPECT_TRUE(l.inside) << world.name << ", axis " << axis;
            EXPECT_NEAR(l.reach, FRAME_FILL, 1e-3) << world.name << ", axis " << axis;
            EXPECT_NEAR(l.centre.x, 0, 1e-3) << world.name << ", axis " << axis;
            EXPECT_NEAR(l.centre.y, 0, 1e-3) << world.name << ", axis " << axis;
            EXPECT_NEAR(l.centre.z, 0, 1e-3) << world.name << ", axis " << axis;
        }
    }
}

TEST(FrameAll, OrthographicDepthRangeGrowsForADeepBoxOnly) {
    // A needle 2e4 long, seen end-on in the front view: the unframed depth range of +-200 would
    // cut it.
    const Box3 needle = box({0, 0, -1e4}, {0.01, 0.01, 1e4});
    Camera front = orthographic(2);
    frameCamera(front, needle, VIEW_ASPECT);
    EXPECT_GT(front.framing.depthHalf, 200);
    EXPECT_TRUE(landing(front, needle, VIEW_ASPECT).inside);
    EXPECT_NEAR(landing(front, needle, VIEW_ASPECT).reach, FRAME_FILL, 1e-3);

    Camera side = orthographic(0);  // the same needle across the side view
    frameCamera(side, needle, VIEW_ASPECT);
    EXPECT_EQ(side.framing.depthHalf, 200);
    EXPECT_TRUE(landing(side, needle, VIEW_ASPECT).inside);
}

TEST(FrameAll, PerspectiveKeepsItsAnglesAndShowsTheWholeBoxLargeAndCentred) {
    const int angles[][2] = {{0, 0}, {35, -50}, {-120, 200}, {90, 0}, {-359, 359}};
    for (const NamedBox& world : worlds()) {
        for (const auto& a : angles) {
            Camera camera = perspectiveCamera(a[0], a[1]);
            camera.panX = 3;
            camera.zoomBy(150);  // the eye dollied toward the centre
            frameCamera(camera, world.box, VIEW_ASPECT);
            ASSERT_TRUE(camera.framing.active);
            EXPECT_EQ(camera.rotX, a[0]);
            EXPECT_EQ(camera.rotY, a[1]);
            EXPECT_EQ(camera.eye.z, 5);
            EXPECT_EQ(camera.panX, 0);
            const Landing l = landing(camera, world.box, VIEW_ASPECT);
            const std::string what = std::string(world.name) + ", angles " + std::to_string(a[0]) +
                                     " " + std::to_string(a[1]);
            EXPECT_TRUE(l.inside) << what;
            EXPECT_GT(l.reach, 0.6) << what;
            EXPECT_LT(l.reach, 0.95) << what;
            EXPECT_NEAR(l.centre.x, 0, 1e-3) << what;
            EXPECT_NEAR(l.centre.y, 0, 1e-3) << what;
        }
    }
}

TEST(FrameAll, PerspectiveFitOfANarrowViewHoldsWhenTheViewWidens) {
    const Box3 world = box({1990, 1995, 2000}, {2030, 2005, 2003});  // wide
    Camera camera = perspectiveCamera(10, 20);
    frameCamera(camera, world, 0.5);
    for (double aspect : {0.5, 1.0, VIEW_ASPECT, 3.0}) {
        EXPECT_TRUE(landing(camera, world, aspect).inside) << aspect;
    }
    EXPECT_GT(landing(camera, world, 0.5).reach, 0.8);
    // A nonsense aspect counts as square.
    Camera other = perspectiveCamera(10, 20);
    frameCamera(other, world, std::numeric_limits<double>::quiet_NaN());
    EXPECT_TRUE(landing(other, world, 1.0).inside);
}

TEST(FrameAll, NothingToFrameResetsLikeResetView) {
    const double inf = std::numeric_limits<double>::infinity();
    for (const Box3& nothing : {Box3{}, box({-inf, 0, 0}, {inf, 1, 1})}) {
        Camera camera = perspectiveCamera(30, 40);
        camera.panY = 2;
        frameCamera(camera, box({0, 0, 0}, {1, 1, 1}), 1);
        frameCamera(camera, nothing, 1);
        Camera reset = perspectiveCamera();
        EXPECT_FALSE(camera.framing.active);
        EXPECT_EQ(camera.rotX, 0);
        EXPECT_EQ(camera.rotY, 0);
        EXPECT_EQ(camera.panY, 0);
        EXPECT_EQ(camera.eye.z, reset.eye.z);
        EXPECT_TRUE(isUnframed(camera.framing));
    }
}

TEST(FrameAll, AnObjectOfNoSizeIsShownAtTheSizeItsPlaceResolves) {
    // One point at the origin: a unit around it. One at 2000: what single precision resolves.
    Camera origin = orthographic(2);
    frameCamera(origin, box({0, 0, 0}, {0, 0, 0}), 1);
    ASSERT_TRUE(origin.framing.active);
    EXPECT_NEAR(origin.framing.scale, 1 / (2 * FRAME_FILL), 1e-6);
    Camera far = perspectiveCamera();
    frameCamera(far, box({2000, 2000, 2000}, {2000, 2000, 2000}), 1);
    ASSERT_TRUE(far.framing.active);
    EXPECT_GT(far.framing.scale, 0);
    EXPECT_LT(far.framing.scale, 0.01);
    EXPECT_EQ(far.framing.centre.x, 2000);
    // The largest coordinates that single precision holds still give finite cameras.
    const double big = 3e38;
    for (Camera camera : {orthographic(0), perspectiveCamera(45, 45)}) {
        frameCamera(camera, box({-big, -big, -big}, {big, big, big}), 1);
        EXPECT_TRUE(std::isfinite(camera.framing.scale) && camera.framing.scale > 0);
        EXPECT_TRUE(std::isfinite(1 / camera.framing.scale));
        EXPECT_TRUE(std::isfinite(camera.framing.depthHalf));
    }
}

TEST(FrameAll, ResetViewEndsTheFraming) {
    Camera camera = orthographic(1);
    frameCamera(camera, box({1, 1, 1}, {2, 2, 2}), 1);
    ASSERT_TRUE(camera.framing.active);
    camera.reset();
    EXPECT_TRUE(isUnframed(camera.framing));
}

TEST(FrameAll, PanAndZoomMoveTheFramedPictureAsTheyMoveTheUnframedOne) {
    const Box3 world = box({1990, 1995, 2000}, {2010, 2005, 2003});
    Camera framed = orthographic(2);
    frameCamera(framed, world, 1);
    Camera plain = orthographic(2);
    for (Camera* c : {&framed, &plain}) {
        c->pan(0.01f, -0.02f);  // an Alt-drag of one pixel right and two down
        c->zoomBy(4);           // a Shift-drag of four pixels up
    }
    const Ndc moved = project(clipMatrix(framed, 1), 2000, 2000, 2001.5);
    const Ndc origin = project(clipMatrix(plain, 1), 0, 0, 0);
    EXPECT_NEAR(moved.x, origin.x, 1e-4);
    EXPECT_NEAR(moved.y, origin.y, 1e-4);
}

TEST(FrameAll, TranslateDragMovesTheFramedPictureAsItMovesTheUnframedOne) {
    const Box3 world = box({-2e4, -5e4, -3e4}, {8e4, 5e4, 7e4});
    for (int axis : {0, 1, 2}) {
        Camera framed = orthographic(axis);
        frameCamera(framed, world, 1);
        Camera plain = orthographic(axis);
        const DragStep framedStep = planDrag(0, framed, 1 /* Translate */, 12, -7);
        const DragStep plainStep = planDrag(0, plain, 1 /* Translate */, 12, -7);
        // The selection moves across each view by the same share of the view.
        const Ndc before = project(clipMatrix(framed, 1), 100, 200, 300);
        const Ndc after = project(clipMatrix(framed, 1), 100 + framedStep.x, 200 + framedStep.y,
                                  300 + framedStep.z);
        const Ndc plainAfter = project(clipMatrix(plain, 1), plainStep.x, plainStep.y, plainStep.z);
        EXPECT_NEAR(after.x - before.x, plainAfter.x, 1e-4) << axis;
        EXPECT_NEAR(after.y - before.y, plainAfter.y, 1e-4) << axis;
        EXPECT_NE(plainAfter.x, 0) << axis;
        EXPECT_NE(plainAfter.y, 0) << axis;
    }
    // Scale and Rotate steps do not depend on the framing.
    Camera framed = orthographic(2);
    frameCamera(framed, world, 1);
    for (int32_t mode : {2, 3}) {
        const DragStep a = planDrag(0, framed, mode, 5, 3);
        const DragStep b = planDrag(0, orthographic(2), mode, 5, 3);
        EXPECT_EQ(a.x, b.x);
        EXPECT_EQ(a.y, b.y);
        EXPECT_EQ(a.z, b.z);
    }
}

}  // namespace
