// The array passes draw exactly the pixels of the straightforward immediate-mode passes, in every
// kind of view, and picking answers the same everywhere.
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "gl_pixels.h"
#include "scene/draw.h"
#include "scene/scene.h"
#include "support/gl_window.h"
#include "support/scripted_platform.h"
#include "view/view.h"

namespace {

constexpr int WIDTH = 160;
constexpr int HEIGHT = 150;

void noRedisplay(int) {}

struct TestWindow {
    int id;
    TestWindow(int width, int height) : id(openTestWindow(width, height)) {}
    ~TestWindow() { glutDestroyWindow(id); }
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;
};

// Restores the array passes even when a check fails half-way.
struct ImmediatePasses {
    explicit ImmediatePasses(bool on) { immediatePasses = on; }
    ~ImmediatePasses() { immediatePasses = false; }
    ImmediatePasses(const ImmediatePasses&) = delete;
    ImmediatePasses& operator=(const ImmediatePasses&) = delete;
};

// Number of pixels that differ, with the first one described in `where`.
size_t differences(const gltest::Pixels& a, const gltest::Pixels& b, std::string& where) {
    size_t count = 0;
    for (int y = 0; y < a.height; ++y) {
        for (int x = 0; x < a.width; ++x) {
            if (a.at(x, y) != b.at(x, y)) {
                if (count++ == 0) {
                    const auto p = a.at(x, y), q = b.at(x, y);
                    where = "first at (" + std::to_string(x) + ", " + std::to_string(y) +
                            "): " + std::to_string(p[0]) + "," + std::to_string(p[1]) + "," +
                            std::to_string(p[2]) + " vs " + std::to_string(q[0]) + "," +
                            std::to_string(q[1]) + "," + std::to_string(q[2]);
                }
            }
        }
    }
    return count;
}

// The sample models, placed so that objects overlap and cross (several at exactly the same
// depths), reach out of the view box, and carry pending rotations; some are selected. A broken
// hand-built Mesh and an object without a Mesh come along too.
class ArrayPassesGlTest : public ::testing::Test {
protected:
    Scene scene;

    void SetUp() override {
        const auto previous = std::filesystem::current_path();
        std::filesystem::current_path(std::filesystem::path(TESSALY_SOURCE_DIR) / "examples");
        ScriptedPlatform scripted;
        scripted.install();
        scene.loadModelLibrary();
        std::filesystem::current_path(previous);
        ASSERT_EQ(scene.models.size(), 5u);  // cube, knot, pyramid, sphere, torus

        SceneObject* knot = scene.addInstance(1);
        knot->scaleObjectWorld(1.2f, 1.2f, 1.2f);
        SceneObject* torus = scene.addInstance(4);
        torus->rotateObjectWorld(30, 20, 0);
        torus->translateObject(0.3f, 0.2f, 0.1f);
        SceneObject* same = scene.addInstance(4);  // the same lines at the same depths
        same->transform = torus->transform;
        SceneObject* sphere = scene.addInstance(3);
        sphere->translateObject(-0.6f, -0.4f, 0.3f);
        sphere->pendingRotation = rotationMatrix(40, 1, 1, 0);
        SceneObject* cube = scene.addInstance(0);
        cube->scaleObjectLocal(0.7f, 1.3f, 0.5f);
        cube->rotateObjectLocal(10, 25, 5);
        cube->translateObject(1.2f, -0.8f, -0.2f);
        SceneObject* pyramid = scene.addInstance(2);
        pyramid->scaleObjectWorld(2, 2, 2);
        pyramid->translateObject(1.8f, 1.5f, 0.5f);  // partly outside every view

        auto broken = std::make_unique<Mesh>("broken.wrl");
        broken->points = {{-1, -1, 0.2}, {1, -1, 0.2}, {1, 1, 0.2}, {-1, 1, -0.2}};
        broken->coordIndex = {{0, 1, 2}, {0, 1, 9}, {0, 2, 3}, {3, 1, 2}};
        broken->normals = {{0, 0, 1}, {0.3, 0.2, 0.9}};
        broken->normalIndex = {{0, 1, 1}, {0, 0, 0}, {0, 1, 5}};  // one bad, one missing
        scene.models.push_back(std::move(broken));
        scene.addInstance(5)->scaleObjectWorld(0.8f, 0.8f, 0.8f);
        scene.objects.push_back(std::make_unique<SceneObject>(nullptr));
        scene.objects.back()->index = static_cast<int32_t>(scene.objects.size() - 1);

        scene.selectObject(1);
        scene.selectObject(3);
        scene.selectObject(6);
    }

    // Draws the View both ways and checks that the pictures agree; leaves the View's context
    // current with the array passes' picture in its back buffer.
    void expectSamePicture(View& view, const char* what) {
        gltest::Pixels pictures[2];
        for (int immediate = 1; immediate >= 0; --immediate) {
            const ImmediatePasses passes(immediate == 1);
            view.display();
            glFinish();
            pictures[immediate] = gltest::readPixels(GL_BACK, WIDTH, HEIGHT);
        }
        std::string where;
        EXPECT_EQ(differences(pictures[0], pictures[1], where), 0u) << what << ": " << where;
        // Something of the scene is in the picture, not only the background.
        size_t scenePixels = 0;
        for (int y = 0; y < HEIGHT; ++y) {
            for (int x = 0; x < WIDTH; ++x) {
                const auto c = pictures[0].at(x, y);
                scenePixels += c[0] == 255 && (c[1] == 0 || c[1] == 255);
            }
        }
        EXPECT_GT(scenePixels, 100u) << what;
    }
};

// The orthographic, the lit and the unlit perspective views, also zoomed, panned and orbited.
TEST_F(ArrayPassesGlTest, EveryViewShowsTheSamePixelsAsTheImmediatePasses) {
    for (int axis = 0; axis < 3; ++axis) {
        for (int zoomed = 0; zoomed < 2; ++zoomed) {
            const TestWindow window(WIDTH, HEIGHT);
            View view(&scene);
            view.window = window.id;
            view.camera.axis = axis;
            view.initGL(noRedisplay);
            setProjection(WIDTH, HEIGHT, false);
            if (zoomed) {
                view.camera.zoomBy(12);
                view.camera.pan(0.04f, -0.03f);
            }
            const std::string what =
                "ortho axis " + std::to_string(axis) + (zoomed ? " zoomed" : "");
            expectSamePicture(view, what.c_str());
        }
    }
    for (int lit = 0; lit < 2; ++lit) {
        for (int orbited = 0; orbited < 2; ++orbited) {
            const TestWindow window(WIDTH, HEIGHT);
            View view(&scene);
            view.window = window.id;
            view.camera.perspective = true;
            view.initGL(noRedisplay);
            if (!lit) {
                glDisable(GL_LIGHTING);
            }
            setProjection(WIDTH, HEIGHT, true);
            if (orbited) {
                view.camera.orbit(35, -50);
                view.camera.pan(0.2f, 0.1f);
            }
            const std::string what =
                std::string("perspective ") + (lit ? "lit" : "unlit") + (orbited ? " orbited" : "");
            expectSamePicture(view, what.c_str());
        }
    }
}

// What the pick pass of a View does, limited to one pixel when `x` is not negative.
gltest::Pixels pickImage(const View& view, int x = -1, int y = -1) {
    glDisable(GL_DITHER);
    if (x >= 0) {
        glEnable(GL_SCISSOR_TEST);
        glScissor(x, y, 1, 1);
    }
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    view.camera.apply();
    view.scene->drawPickColours();
    glFinish();
    glDisable(GL_SCISSOR_TEST);
    return gltest::readPixels(GL_BACK, WIDTH, HEIGHT);
}

// Whole pick images agree, and a pick limited to one pixel (which skips what cannot reach it)
// reads the same code there as the whole straightforward image, over a grid of pixels.
TEST_F(ArrayPassesGlTest, PickingReadsTheSameCodesAsTheImmediatePass) {
    for (int config = 0; config < 4; ++config) {
        const int axis = config % 3;  // the last one looks along Z again, zoomed in and panned
        const TestWindow window(WIDTH, HEIGHT);
        View view(&scene);
        view.window = window.id;
        view.camera.axis = axis;
        view.initGL(noRedisplay);
        setProjection(WIDTH, HEIGHT, false);
        if (config == 3) {
            view.camera.zoomBy(10);
            view.camera.pan(-0.05f, 0.02f);
        }
        view.display();  // leaves the context in line mode, as the pick pass finds it

        gltest::Pixels reference;
        {
            const ImmediatePasses passes(true);
            reference = pickImage(view);
        }
        std::string where;
        EXPECT_EQ(differences(pickImage(view), reference, where), 0u)
            << "view " << config << ": " << where;

        size_t hits = 0, checked = 0, wrong = 0;
        for (int y = 1; y < HEIGHT; y += 3) {
            for (int x = 0; x < WIDTH; x += 3) {
                const auto code = pickImage(view, x, y).at(x, y);
                ++checked;
                hits += code != gltest::Rgb{255, 255, 255};
                if (code != reference.at(x, y) && wrong++ == 0) {
                    ADD_FAILURE() << "view " << config << ": pick at " << x << ", " << y;
                }
            }
        }
        EXPECT_EQ(wrong, 0u);
        EXPECT_GT(hits, checked / 20) << "view " << config;
        {
            // The straightforward pass limited to one pixel reads its whole image there.
            const ImmediatePasses passes(true);
            for (int x : {20, 80, 81, 120}) {
                EXPECT_EQ(pickImage(view, x, 70).at(x, 70), reference.at(x, 70));
            }
        }
    }
}

}  // namespace
