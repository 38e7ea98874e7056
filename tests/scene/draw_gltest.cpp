#include <GL/freeglut.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <array>
#include <memory>

#include "gl_pixels.h"
#include "scene/draw.h"
#include "scene/scene.h"
#include "support/gl_window.h"
#include "view/view.h"

namespace {

using gltest::Rgb;

constexpr int SIZE = 200;
const Rgb WHITE{255, 255, 255};
const Rgb RED{255, 0, 0};
const Rgb BLACK{0, 0, 0};
const Rgb ORTHO_BACKGROUND{153, 153, 153};

void noRedisplay(int) {}

// The square (-1, -1, 0) .. (1, 1, 0) facing +z, as two triangles sharing the diagonal from
// corner 0 to corner 2.
std::unique_ptr<Mesh> squareMesh() {
    auto mesh = std::make_unique<Mesh>("square.wrl");
    mesh->points = {{-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 0}};
    mesh->coordIndex = {{0, 1, 2}, {0, 2, 3}};
    mesh->normals = {{0, 0, 1}};
    mesh->normalIndex = {{0, 0, 0}, {0, 0, 0}};
    return mesh;
}

// A View of `scene` in its own window, drawn once by View::display. The picture is read back
// from the back buffer after the swap: Mesa's software rasteriser swaps by copying, so the back
// buffer still holds the frame, while its front buffer reads back black.
struct DrawnView {
    TestWindow window{SIZE, SIZE};
    View view;
    gltest::Pixels pixels;
    GLdouble modelview[16];
    GLdouble projection[16];
    GLint viewport[4];

    DrawnView(Scene* scene, bool perspective, bool lighting = true) : view(scene) {
        view.window = window.id;
        view.camera.perspective = perspective;
        view.camera.axis = 2;
        view.initGL(noRedisplay);
        if (!lighting) {
            glDisable(GL_LIGHTING);
        }
        setProjection(SIZE, SIZE, perspective);
        view.display();
        glFinish();
        pixels = gltest::readPixels(GL_BACK, SIZE, SIZE);
        // Guards the assumption above: a corner shows the View's background.
        const Rgb corner = pixels.at(0, 0);
        EXPECT_EQ(corner[0], static_cast<unsigned char>(view.background[0] * 255 + 0.5f));
        // The display leaves the camera's matrices in place: used to find where a point lands.
        glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
        glGetDoublev(GL_PROJECTION_MATRIX, projection);
        glGetIntegerv(GL_VIEWPORT, viewport);
    }

    std::array<int, 2> project(double x, double y, double z) const {
        GLdouble wx, wy, wz;
        gluProject(x, y, z, modelview, projection, viewport, &wx, &wy, &wz);
        return {static_cast<int>(wx), static_cast<int>(wy)};
    }
    Rgb at(double x, double y, double z) const {
        const auto p = project(x, y, z);
        return pixels.at(p[0], p[1]);
    }
    // Whether `colour` appears within one pixel of where the world point lands.
    bool near(double x, double y, double z, const Rgb& colour) const {
        const auto p = project(x, y, z);
        for (int dy = -1; dy <= 1; ++dy) {
            for (int dx = -1; dx <= 1; ++dx) {
                if (pixels.at(p[0] + dx, p[1] + dy) == colour) {
                    return true;
                }
            }
        }
        return false;
    }
};

// Points on the square's outline and diagonal, away from the axes and the grid line at y = 0.
std::vector<std::array<double, 3>> edgePoints() {
    std::vector<std::array<double, 3>> points;
    for (double t : {0.2, 0.35, 0.65, 0.8}) {
        const double u = -1 + 2 * t;
        points.push_back({-1, u, 0});
        points.push_back({1, u, 0});
        points.push_back({u, -1, 0});
        points.push_back({u, 1, 0});
        points.push_back({u, u, 0});
    }
    return points;
}

class DrawGlTest : public ::testing::Test {
protected:
    Scene scene;
    SceneObject* square = nullptr;

    void SetUp() override {
        scene.models.push_back(squareMesh());
        square = scene.addInstance(0);
    }
};

TEST_F(DrawGlTest, OrthographicViewOutlinesUnselectedWhiteSelectedRed) {
    {
        const DrawnView drawn(&scene, false);
        for (const auto& p : edgePoints()) {
            EXPECT_TRUE(drawn.near(p[0], p[1], p[2], WHITE)) << p[0] << ", " << p[1];
            EXPECT_FALSE(drawn.near(p[0], p[1], p[2], RED)) << p[0] << ", " << p[1];
        }
        // Wireframe: inside a triangle, off its edges, the background shows.
        EXPECT_EQ(drawn.at(0.5, -0.4, 0), ORTHO_BACKGROUND);
        EXPECT_EQ(drawn.at(-0.5, 0.4, 0), ORTHO_BACKGROUND);
    }
    scene.selectObject(0);
    const DrawnView drawn(&scene, false);
    for (const auto& p : edgePoints()) {
        EXPECT_TRUE(drawn.near(p[0], p[1], p[2], RED)) << p[0] << ", " << p[1];
        EXPECT_FALSE(drawn.near(p[0], p[1], p[2], WHITE)) << p[0] << ", " << p[1];
    }
    EXPECT_EQ(drawn.at(0.5, -0.4, 0), ORTHO_BACKGROUND);
}

TEST_F(DrawGlTest, OrthographicViewDrawsUnderTransformAndPendingRotation) {
    square->transform = translationMatrix(-0.5f, 0, 0);
    square->pendingRotation = rotationMatrix(90, 0, 0, 1);  // the square maps onto itself
    square->scaleObjectLocal(0.5f, 0.5f, 1);                // now (-1, -0.5) .. (0, 0.5)
    const DrawnView drawn(&scene, false);
    EXPECT_TRUE(drawn.near(-1, 0.3, 0, WHITE));
    EXPECT_TRUE(drawn.near(-0.3, 0.5, 0, WHITE));
    EXPECT_FALSE(drawn.near(1, 0.6, 0, WHITE));  // where the untransformed square would be
    EXPECT_FALSE(drawn.near(-1, -0.7, 0, WHITE));
}

bool isGrey(const Rgb& c) {
    return c[0] == c[1] && c[1] == c[2];
}

// Of two objects in the same place, the one drawn later shows: its lines meet the depth of the
// first one's and are not hidden by it.
TEST_F(DrawGlTest, OrthographicViewShowsTheLaterOfTwoObjectsInOnePlace) {
    scene.addInstance(0);
    scene.selectObject(1);
    const DrawnView drawn(&scene, false);
    for (const auto& p : edgePoints()) {
        EXPECT_TRUE(drawn.near(p[0], p[1], p[2], RED)) << p[0] << ", " << p[1];
    }
}

// A nearer object hides a farther one drawn after it, and a face turned away is not drawn.
TEST_F(DrawGlTest, PerspectiveViewHidesWhatIsBehindAndFacesTurnedAway) {
    square->scaleObjectLocal(0.4f, 0.4f, 1);
    square->translateObject(-0.5f, -0.5f, 0.3f);
    scene.selectObject(0);
    scene.addInstance(0);  // behind both, unselected
    SceneObject* turned = scene.addInstance(0);
    turned->rotateObjectWorld(0, 180, 0);
    turned->scaleObjectLocal(0.4f, 0.4f, 1);
    turned->translateObject(0.5f, 0.5f, 0.6f);
    scene.selectObject(2);
    const DrawnView drawn(&scene, true);
    const Rgb near = drawn.at(-0.5, -0.5, 0.3);
    EXPECT_GT(near[0], 200);
    EXPECT_EQ(near[1], 0);
    const Rgb behindTurned = drawn.at(0.5, 0.5, 0.6);
    EXPECT_TRUE(isGrey(behindTurned));
    EXPECT_GT(behindTurned[0], 150);
}

TEST_F(DrawGlTest, PerspectiveViewIsLitWithoutEdges) {
    {
        const DrawnView drawn(&scene, true);
        const Rgb face = drawn.at(0.5, -0.4, 0);
        EXPECT_TRUE(isGrey(face));
        // Lit from the front: brighter than the unlit material grey (0.7 -> 178).
        EXPECT_GT(face[0], 190);
        for (const auto& p : edgePoints()) {
            const Rgb c = drawn.at(p[0], p[1], p[2]);
            EXPECT_FALSE(drawn.near(p[0], p[1], p[2], BLACK)) << p[0] << ", " << p[1];
            EXPECT_TRUE(isGrey(c));
        }
    }
    scene.selectObject(0);
    const DrawnView drawn(&scene, true);
    const Rgb face = drawn.at(0.5, -0.4, 0);
    EXPECT_GT(face[0], 200);
    EXPECT_EQ(face[1], 0);
    EXPECT_EQ(face[2], 0);
    for (const auto& p : edgePoints()) {
        EXPECT_FALSE(drawn.near(p[0], p[1], p[2], BLACK)) << p[0] << ", " << p[1];
    }
}

// Where the mesh point p of `object` lands in the world.
std::array<double, 3> placed(const SceneObject& object, const std::array<double, 3>& p) {
    const Matrix4& m = object.transform;
    return {m[0] * p[0] + m[4] * p[1] + m[8] * p[2] + m[12],
            m[1] * p[0] + m[5] * p[1] + m[9] * p[2] + m[13],
            m[2] * p[0] + m[6] * p[1] + m[10] * p[2] + m[14]};
}

TEST_F(DrawGlTest, PerspectiveViewUnlitIsFlatWithBlackEdges) {
    // Turned away from the viewer so that the depth varies over the faces (edges drawn at the
    // faces' own depth would then be partly hidden by them), and moved clear of grid and axes.
    square->rotateObjectWorld(-35, 50, 0);
    square->scaleObjectWorld(0.5f, 0.5f, 0.5f);
    square->translateObject(0.9f, 0.9f, 0);
    const DrawnView drawn(&scene, true, false);
    const auto inside = placed(*square, {0.5, -0.4, 0});
    EXPECT_EQ(drawn.at(inside[0], inside[1], inside[2]), (Rgb{178, 178, 178}));
    int hidden = 0;
    for (double t = 0.05; t < 0.96; t += 0.01) {
        const double u = -1 + 2 * t;
        for (const auto& p :
             {std::array<double, 3>{-1, u, 0}, {1, u, 0}, {u, -1, 0}, {u, 1, 0}, {u, u, 0}}) {
            const auto q = placed(*square, p);
            if (!drawn.near(q[0], q[1], q[2], BLACK)) {
                ++hidden;
            }
        }
    }
    EXPECT_EQ(hidden, 0);

    scene.selectObject(0);
    const DrawnView selected(&scene, true, false);
    EXPECT_EQ(selected.at(inside[0], inside[1], inside[2]), RED);
}

// A hand-built Mesh that breaks every index invariant: the valid triangle is still drawn, the
// others are skipped, and nothing reads outside the arrays (the sanitizer build checks that).
TEST_F(DrawGlTest, BrokenMeshDrawsWithoutReadingOutsideItsArrays) {
    auto broken = std::make_unique<Mesh>("broken.wrl");
    broken->points = {{-1, -1, 0}, {1, -1, 0}, {1, 1, 0}};
    broken->coordIndex = {{0, 1, 2}, {0, 1, 3}, {-1, 0, 1}, {0, 2147483647, 1}, {2, 1, -5}};
    broken->normals = {{0, 0, 1}, {0, 0, 1}};
    broken->normalIndex = {{0, 7, 1}, {-2, 0, 0}};  // bad entries, and fewer than triangles
    scene.models.push_back(std::move(broken));
    scene.objects.clear();
    scene.addInstance(1);
    auto noNormals = std::make_unique<Mesh>("no normals.wrl");
    noNormals->points = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    noNormals->coordIndex = {{0, 1, 2}, {0, 1, 2}};
    noNormals->normals = {{0, 0, 1}};  // normalIndex missing altogether
    scene.models.push_back(std::move(noNormals));
    scene.addInstance(2);
    scene.objects.push_back(std::make_unique<SceneObject>(nullptr));  // no mesh at all
    scene.objects.back()->index = 2;

    const DrawnView wire(&scene, false);
    EXPECT_TRUE(wire.near(0.3, -1, 0, WHITE));  // the valid triangle (0, 1, 2)
    EXPECT_TRUE(wire.near(1, -0.3, 0, WHITE));
    const DrawnView lit(&scene, true);
    const DrawnView unlit(&scene, true, false);
    EXPECT_TRUE(unlit.near(1, -0.3, 0, BLACK));
    scene.drawPickColours();
    drawEdges(*scene.objects[0]);
    drawMesh(*scene.objects[2]);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// Every position gets its own 24-bit code: the object at position 300 reads back as 300, not as
// the object at 300 modulo 256.
TEST_F(DrawGlTest, PickColoursCarryTheWholePosition) {
    for (int i = 1; i < 301; ++i) {
        scene.addInstance(0)->translateObject(100, 0, 0);  // off screen
    }
    scene.objects[300]->transform = translationMatrix(0.5f, 0.5f, 0);
    scene.objects[300]->scaleObjectLocal(0.25f, 0.25f, 1);
    square->transform = translationMatrix(-0.5f, -0.5f, 0);
    square->scaleObjectLocal(0.25f, 0.25f, 1);

    TestWindow window(SIZE, SIZE);
    View view(&scene);
    view.initGL(noRedisplay);
    setProjection(SIZE, SIZE, false);
    glDisable(GL_DITHER);
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    view.camera.apply();
    scene.drawPickColours();
    glFinish();
    const gltest::Pixels pixels = gltest::readPixels(GL_BACK, SIZE, SIZE);
    auto codeAt = [&](int x, int y) {
        const Rgb c = pixels.at(x, y);
        return pickCode(c[0], c[1], c[2]);
    };
    // The ortho box spans -2 .. 2 over 200 pixels: world (x, y) is pixel 50 (x + 2).
    EXPECT_EQ(codeAt(125, 125), 300u);
    EXPECT_EQ(codeAt(75, 75), 0u);
    EXPECT_EQ(codeAt(100, 160), PICK_NOTHING);
}

// A Scene without objects (never any, or all removed) leaves every pixel as it was, in every pass,
// whether drawn from vertex arrays or in immediate mode, lit or not.
TEST_F(DrawGlTest, EmptySceneDrawsNothingInAnyPass) {
    const DrawnView drawnOnce(&scene, false);  // the Mesh keeps the arrays built for it
    Scene never;
    never.models.push_back(squareMesh());
    scene.removeAllObjects();
    // Lit solid, unlit solid (which adds black edges), wireframe, pick colours.
    for (int pass = 0; pass < 4; ++pass) {
        TestWindow window(SIZE, SIZE);
        View view(&never);
        view.camera.perspective = pass < 2;
        view.camera.axis = 2;
        view.initGL(noRedisplay);
        setProjection(SIZE, SIZE, view.camera.perspective);
        if (pass == 1) {
            glDisable(GL_LIGHTING);
        }
        for (Scene* empty : {&never, &scene}) {
            for (bool immediate : {false, true}) {
                glClearColor(0.2f, 0.4f, 0.6f, 1);
                glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
                glLoadIdentity();
                view.camera.apply();
                if (pass < 2) {
                    immediate ? drawSolidImmediate(*empty) : empty->drawSolid();
                } else if (pass == 2) {
                    immediate ? drawWireframeImmediate(*empty) : empty->drawWireframe();
                } else {
                    immediate ? drawPickColoursImmediate(*empty) : empty->drawPickColours();
                }
                glFinish();
                const gltest::Pixels pixels = gltest::readPixels(GL_BACK, SIZE, SIZE);
                int changed = 0;
                for (int y = 0; y < SIZE; ++y) {
                    for (int x = 0; x < SIZE; ++x) {
                        changed += pixels.at(x, y) == Rgb{51, 102, 153} ? 0 : 1;
                    }
                }
                EXPECT_EQ(changed, 0) << "pass " << pass << (immediate ? ", immediate" : "")
                                      << (empty == &never ? ", never filled" : ", emptied");
                EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
            }
        }
    }
}

}  // namespace

namespace {

// A Mesh's trailing two-sided faces show from behind, lit as brightly as from the front, in the
// array pass and in the immediate one; its other faces, and every face of an ordinary Mesh, are
// still culled there. The context is left culling and lighting one side.
TEST_F(DrawGlTest, TwoSidedFacesShowFromBehindInTheLitView) {
    auto twoSided = squareMesh();
    twoSided->name = "two-sided.wrl";
    // A second square beside the first, one-sided: the mesh's first triangles stay culled.
    twoSided->points.insert(twoSided->points.end(), {{3, -1, 0}, {5, -1, 0}, {5, 1, 0}, {3, 1, 0}});
    twoSided->coordIndex.insert(twoSided->coordIndex.begin(), {{4, 5, 6}, {4, 6, 7}});
    twoSided->normalIndex.insert(twoSided->normalIndex.end(), {{0, 0, 0}, {0, 0, 0}});
    twoSided->twoSidedTriangles = 2;
    scene.models.push_back(std::move(twoSided));
    square->scaleObjectLocal(0.4f, 0.4f, 1);
    square->translateObject(-0.6f, 0.5f, 0);
    SceneObject* both = scene.addInstance(1);
    both->scaleObjectLocal(0.4f, 0.4f, 1);
    both->translateObject(0.6f, -0.5f, 0);

    const Rgb frontOne = DrawnView(&scene, true).at(-0.6, 0.5, 0);
    const Rgb frontTwo = DrawnView(&scene, true).at(0.6, -0.5, 0);
    EXPECT_GT(frontOne[0], 190);
    EXPECT_EQ(frontTwo, frontOne);

    // Turned 180 degrees about their own vertical axes: their backs face the viewer.
    square->rotateObjectLocal(0, 180, 0);
    both->rotateObjectLocal(0, 180, 0);
    for (const bool immediate : {false, true}) {
        const DrawnView drawn(&scene, true);
        gltest::Pixels pixels = drawn.pixels;
        if (immediate) {
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            drawSolidImmediate(scene);
            glFinish();
            pixels = gltest::readPixels(GL_BACK, SIZE, SIZE);
        }
        auto at = [&](double x, double y) {
            const auto p = drawn.project(x, y, 0);
            return pixels.at(p[0], p[1]);
        };
        const Rgb background = drawn.pixels.at(0, 0);
        EXPECT_EQ(at(-0.6, 0.5), background) << "a one-sided face is culled from behind";
        EXPECT_EQ(at(0.6, -0.5), frontTwo) << "a two-sided face is lit from behind as in front";
        // The mesh's one-sided square, turned with it to x = -1.4 .. -0.6.
        EXPECT_EQ(at(-1.1, -0.5), background) << (immediate ? "immediate" : "arrays");
        EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
        GLint twoSide = 1;
        glGetIntegerv(GL_LIGHT_MODEL_TWO_SIDE, &twoSide);
        EXPECT_EQ(twoSide, GL_FALSE);
    }
}

}  // namespace
