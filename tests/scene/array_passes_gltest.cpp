// The Scene's passes against the immediate-mode reference passes, and their two ways of keeping
// the arrays (buffer objects, client memory) against each other, in every kind of view.
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "gl_pixels.h"
#include "library/model_library.h"
#include "platform/platform.h"
#include "scene/draw.h"
#include "scene/gl_buffers.h"
#include "scene/index_range.h"
#include "scene/mesh_drawings.h"
#include "scene/scene.h"
#include "support/gl_window.h"
#include "support/scripted_platform.h"
#include "view/view.h"

namespace {

constexpr int WIDTH = 160;
constexpr int HEIGHT = 150;

void noRedisplay(int) {}

enum class Way { Immediate, ClientArrays, BufferObjects };
const char* const WAY_NAMES[] = {"immediate", "client arrays", "buffer objects"};

enum class Pass { Solid, Wireframe, Pick };

// Sets the variable that keeps the Meshes in client memory for one scope.
struct ClientArraysOnly {
    explicit ClientArraysOnly(bool on) {
        if (on) {
            setenv(CLIENT_ARRAYS_VARIABLE, "1", 1);
        }
    }
    ~ClientArraysOnly() { unsetenv(CLIENT_ARRAYS_VARIABLE); }
    ClientArraysOnly(const ClientArraysOnly&) = delete;
    ClientArraysOnly& operator=(const ClientArraysOnly&) = delete;
};

void runPass(const Scene& scene, Pass pass, Way way) {
    const ClientArraysOnly clientArrays(way == Way::ClientArrays);
    switch (pass) {
        case Pass::Solid:
            way == Way::Immediate ? drawSolidImmediate(scene) : scene.drawSolid();
            break;
        case Pass::Wireframe:
            way == Way::Immediate ? drawWireframeImmediate(scene) : scene.drawWireframe();
            break;
        case Pass::Pick:
            way == Way::Immediate ? drawPickColoursImmediate(scene) : scene.drawPickColours();
            break;
    }
}

// The View's picture of one pass, on its background (or white for the pick pass, which draws
// in the state the wireframe pass left); with `pixel`, only that pixel is drawn, through the
// scissor box, as the program's pick pass does.
gltest::Pixels render(const View& view, Pass pass, Way way, const int* pixel = nullptr) {
    glDisable(GL_DITHER);
    if (pass == Pass::Pick) {
        glClearColor(1, 1, 1, 1);
    } else {
        glClearColor(view.background[0], view.background[1], view.background[2], 1);
    }
    if (pixel != nullptr) {
        glEnable(GL_SCISSOR_TEST);
        glScissor(pixel[0], pixel[1], 1, 1);
    }
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    view.camera.apply();
    runPass(*view.scene, pass, way);
    glFinish();
    glDisable(GL_SCISSOR_TEST);
    return gltest::readPixels(GL_BACK, WIDTH, HEIGHT);
}

std::string describe(const gltest::Pixels& a, const gltest::Pixels& b, int x, int y) {
    const auto p = a.at(x, y), q = b.at(x, y);
    return "(" + std::to_string(x) + ", " + std::to_string(y) + "): " + std::to_string(p[0]) + "," +
           std::to_string(p[1]) + "," + std::to_string(p[2]) + " vs " + std::to_string(q[0]) + "," +
           std::to_string(q[1]) + "," + std::to_string(q[2]);
}

// Number of pixels that differ, with the first one described in `where`.
size_t differences(const gltest::Pixels& a, const gltest::Pixels& b, std::string& where) {
    size_t count = 0;
    for (int y = 0; y < a.height; ++y) {
        for (int x = 0; x < a.width; ++x) {
            if (a.at(x, y) != b.at(x, y) && count++ == 0) {
                where = "first at " + describe(a, b, x, y);
            }
        }
    }
    return count;
}

// Where the corners of every drawn triangle land in the window, under the current matrices.
std::vector<std::array<double, 2>> projectedCorners(const Scene& scene) {
    double projection[16], modelview[16];
    GLint viewport[4];
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    glGetIntegerv(GL_VIEWPORT, viewport);
    auto multiply = [](const double* a, const double* b, double* out) {
        for (int c = 0; c < 4; ++c) {
            for (int r = 0; r < 4; ++r) {
                out[4 * c + r] = 0;
                for (int k = 0; k < 4; ++k) {
                    out[4 * c + r] += a[4 * k + r] * b[4 * c + k];
                }
            }
        }
    };
    std::vector<std::array<double, 2>> corners;
    for (const auto& object : scene.objects) {
        if (object->mesh == nullptr) {
            continue;
        }
        double transform[16], rotation[16], placed[16], viewed[16], clip[16];
        for (int i = 0; i < 16; ++i) {
            transform[i] = object->transform[i];
            rotation[i] = object->pendingRotation[i];
        }
        multiply(transform, rotation, placed);
        multiply(modelview, placed, viewed);
        multiply(projection, viewed, clip);
        const Mesh& mesh = *object->mesh;
        for (const IndexTriple& t : mesh.coordIndex) {
            if (!validTriple(t, mesh.points.size())) {
                continue;
            }
            for (const int32_t i : {t.a, t.b, t.c}) {
                const Vec3d& p = mesh.points[i];
                double q[4];
                for (int r = 0; r < 4; ++r) {
                    q[r] = clip[r] * p.x + clip[4 + r] * p.y + clip[8 + r] * p.z + clip[12 + r];
                }
                corners.push_back({viewport[0] + (q[0] / q[3] + 1) / 2 * viewport[2],
                                   viewport[1] + (q[1] / q[3] + 1) / 2 * viewport[3]});
            }
        }
    }
    return corners;
}

// The pixels at which the once-drawn edges of the View's Scene may differ from the per-triangle
// outlines: the pixel that holds a projected corner, and its eight neighbours.
std::vector<bool> lineEnds(const View& view) {
    glLoadIdentity();
    view.camera.apply();
    std::vector<bool> allowed(WIDTH * HEIGHT, false);
    for (const auto& corner : projectedCorners(*view.scene)) {
        const int cx = static_cast<int>(std::floor(corner[0]));
        const int cy = static_cast<int>(std::floor(corner[1]));
        for (int y = cy - 1; y <= cy + 1; ++y) {
            for (int x = cx - 1; x <= cx + 1; ++x) {
                if (x >= 0 && y >= 0 && x < WIDTH && y < HEIGHT) {
                    allowed[y * WIDTH + x] = true;
                }
            }
        }
    }
    return allowed;
}

// Pixels that differ outside the allowed ones, with the first described in `where`.
size_t differencesBesideLineEnds(const gltest::Pixels& a, const gltest::Pixels& b,
                                 const std::vector<bool>& allowed, std::string& where) {
    size_t count = 0;
    for (int y = 0; y < a.height; ++y) {
        for (int x = 0; x < a.width; ++x) {
            if (a.at(x, y) != b.at(x, y) && !allowed[y * WIDTH + x] && count++ == 0) {
                where = "first at " + describe(a, b, x, y);
            }
        }
    }
    return count;
}

// A Mesh of triangles that an orthographic view sees edge-on (in the planes x = 0, y = 0 and
// z = 0, each seen from a view along it) and triangles whose corners lie on one line, two of
// them with a repeated corner.
std::unique_ptr<Mesh> degenerateMesh() {
    auto mesh = std::make_unique<Mesh>("degenerate.wrl");
    mesh->points = {{0, -0.7, -0.5}, {0, 0.6, 0.1},      {0, 0.1, 0.8},   {-0.6, 0, -0.4},
                    {0.7, 0, 0.2},   {0.1, 0, 0.7},      {-0.5, -0.6, 0}, {0.4, -0.3, 0},
                    {-0.2, 0.7, 0},  {-0.9, -0.9, -0.9}, {0.3, 0.3, 0.3}, {0.9, 0.9, 0.9}};
    mesh->coordIndex = {{0, 1, 2},   {3, 4, 5},  {6, 7, 8},   {9, 10, 11},
                        {9, 11, 10}, {9, 9, 11}, {10, 11, 11}};
    mesh->normals = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0.6, 0.8, 0}};
    mesh->normalIndex = {{0, 0, 0}, {1, 1, 1}, {2, 2, 2}, {3, 3, 3},
                         {3, 3, 3}, {3, 3, 3}, {3, 3, 3}};
    return mesh;
}

// The sample models, placed so that objects overlap and cross (several at exactly the same
// depths), reach out of the view box, and carry pending rotations; some are selected. Edge-on
// and collinear triangles, a broken hand-built Mesh and an object without a Mesh come along too.
class ArrayPassesGlTest : public ::testing::Test {
protected:
    Scene scene;

    void SetUp() override {
        const auto previous = std::filesystem::current_path();
        std::filesystem::current_path(std::filesystem::path(TESSALY_SOURCE_DIR) / "examples");
        ScriptedPlatform scripted;
        scripted.install();
        loadModelLibrary(scene, platform());
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
        pyramid->translateObject(1.8f, 1.5f, 0.5f);             // partly outside every view
        scene.addInstance(0)->translateObject(-1.3f, 1.2f, 0);  // its sides seen edge-on

        auto broken = std::make_unique<Mesh>("broken.wrl");
        broken->points = {{-1, -1, 0.2}, {1, -1, 0.2}, {1, 1, 0.2}, {-1, 1, -0.2}};
        broken->coordIndex = {{0, 1, 2}, {0, 1, 9}, {0, 2, 3}, {3, 1, 2}};
        broken->normals = {{0, 0, 1}, {0.3, 0.2, 0.9}};
        broken->normalIndex = {{0, 1, 1}, {0, 0, 0}, {0, 1, 5}};  // one bad, one missing
        scene.models.push_back(std::move(broken));
        scene.addInstance(5)->scaleObjectWorld(0.8f, 0.8f, 0.8f);
        scene.models.push_back(degenerateMesh());
        scene.addInstance(6)->translateObject(-0.9f, -1.2f, 0.2f);
        scene.objects.push_back(std::make_unique<SceneObject>(nullptr));
        scene.objects.back()->index = static_cast<int32_t>(scene.objects.size() - 1);

        scene.selectObject(1);
        scene.selectObject(3);
        scene.selectObject(6);
    }

    // Whether the Scene's Meshes are held in buffer objects of the current context's group.
    bool meshesInBufferObjects() const {
        for (const auto& mesh : scene.models) {
            if (findMeshBuffers(*mesh, currentShareGroup()) == nullptr) {
                return false;
            }
        }
        return true;
    }
};

struct ViewSetUp {
    bool perspective = false;
    int axis = 2;
    bool lit = true;
    bool moved = false;  // zoomed and panned, or orbited and panned
    std::string name() const {
        const std::string base = perspective ? std::string("perspective ") + (lit ? "lit" : "unlit")
                                             : "ortho axis " + std::to_string(axis);
        return base + (moved ? " moved" : "");
    }
};

std::vector<ViewSetUp> viewSetUps() {
    std::vector<ViewSetUp> setUps;
    for (int axis = 0; axis < 3; ++axis) {
        for (bool moved : {false, true}) {
            setUps.push_back({false, axis, false, moved});
        }
    }
    for (bool lit : {true, false}) {
        for (bool moved : {false, true}) {
            setUps.push_back({true, 2, lit, moved});
        }
    }
    return setUps;
}

// A View of `scene` in the current window, set up as start-up does.
void setUpView(View& view, const ViewSetUp& setUp, int window) {
    view.window = window;
    view.camera.perspective = setUp.perspective;
    view.camera.axis = setUp.axis;
    view.initGL(noRedisplay);
    if (!setUp.lit) {
        glDisable(GL_LIGHTING);
    }
    setProjection(WIDTH, HEIGHT, setUp.perspective);
    if (setUp.moved && setUp.perspective) {
        view.camera.orbit(35, -50);
        view.camera.pan(0.2f, 0.1f);
    } else if (setUp.moved) {
        view.camera.zoomBy(12);
        view.camera.pan(0.04f, -0.03f);
    }
}

// Every kind of view, each pass it runs, all three ways. Buffer objects and client arrays draw
// the same pixels; the perspective view's pictures equal the reference; the orthographic
// pictures differ from it at most at line ends, within one pixel of a projected corner.
TEST_F(ArrayPassesGlTest, EveryWayDrawsTheReferencePicture) {
    for (const ViewSetUp& setUp : viewSetUps()) {
        const TestWindow window(WIDTH, HEIGHT);
        ASSERT_NE(bufferFunctionsOfCurrentContext(), nullptr);
        View view(&scene);
        setUpView(view, setUp, window.id);
        const std::vector<Pass> passes = setUp.perspective
                                             ? std::vector<Pass>{Pass::Solid}
                                             : std::vector<Pass>{Pass::Wireframe, Pass::Pick};
        for (const Pass pass : passes) {
            gltest::Pixels pictures[3];
            for (const Way way : {Way::Immediate, Way::ClientArrays, Way::BufferObjects}) {
                if (pass == Pass::Pick) {
                    render(view, Pass::Wireframe, way);  // leaves line mode, as a display does
                }
                pictures[static_cast<int>(way)] = render(view, pass, way);
            }
            EXPECT_TRUE(meshesInBufferObjects()) << setUp.name();
            const std::string what = setUp.name() + (pass == Pass::Pick    ? ", pick"
                                                     : pass == Pass::Solid ? ", solid"
                                                                           : ", wire");
            std::string where;
            EXPECT_EQ(differences(pictures[2], pictures[1], where), 0u)
                << what << ", buffer objects against client arrays: " << where;
            if (setUp.perspective) {
                EXPECT_EQ(differences(pictures[1], pictures[0], where), 0u)
                    << what << ", arrays against immediate: " << where;
            } else {
                EXPECT_EQ(
                    differencesBesideLineEnds(pictures[1], pictures[0], lineEnds(view), where), 0u)
                    << what << ", arrays against immediate: " << where;
            }
        }
    }
}

// What a click reads: the pick pass drawn for that pixel alone, through the scissor box, as the
// program's pick pass does (which skips the geometry that cannot reach it).
gltest::Rgb pickAt(const View& view, Way way, int x, int y) {
    const int pixel[2] = {x, y};
    render(view, Pass::Pick, way, pixel);
    unsigned char bytes[3] = {0, 0, 0};
    glReadPixels(x, y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, bytes);
    return {bytes[0], bytes[1], bytes[2]};
}

// Clicks over a grid of pixels in orthographic views: both ways of keeping the arrays read the
// code of their whole pick image there, which covers exactly the pixels of the wire picture (what
// is picked is what is drawn), and the codes agree with the reference except at line ends.
TEST_F(ArrayPassesGlTest, PickingReadsWhatIsDrawn) {
    const gltest::Rgb white{255, 255, 255};
    for (int config = 0; config < 4; ++config) {
        const TestWindow window(WIDTH, HEIGHT);
        View view(&scene);
        // The last one looks along Z again, zoomed in and panned.
        setUpView(view, {false, config % 3, false, config == 3}, window.id);
        const gltest::Pixels wire = render(view, Pass::Wireframe, Way::BufferObjects);
        const gltest::Pixels whole = render(view, Pass::Pick, Way::BufferObjects);
        const gltest::Rgb background{153, 153, 153};
        size_t uncovered = 0;
        for (int y = 0; y < HEIGHT; ++y) {
            for (int x = 0; x < WIDTH; ++x) {
                uncovered += (wire.at(x, y) != background) != (whole.at(x, y) != white);
            }
        }
        EXPECT_EQ(uncovered, 0u) << "view " << config;
        render(view, Pass::Wireframe, Way::Immediate);
        const gltest::Pixels reference = render(view, Pass::Pick, Way::Immediate);
        const std::vector<bool> allowed = lineEnds(view);

        size_t hits = 0, checked = 0, wrong = 0;
        for (int y = 1; y < HEIGHT; y += 3) {
            for (int x = 0; x < WIDTH; x += 3) {
                ++checked;
                hits += whole.at(x, y) != white;
                for (const Way way : {Way::BufferObjects, Way::ClientArrays}) {
                    const gltest::Rgb code = pickAt(view, way, x, y);
                    const bool right = code == whole.at(x, y) &&
                                       (code == reference.at(x, y) || allowed[y * WIDTH + x]);
                    if (!right && wrong++ == 0) {
                        ADD_FAILURE()
                            << "view " << config << ", " << WAY_NAMES[static_cast<int>(way)]
                            << ": pick at " << x << ", " << y;
                    }
                }
            }
        }
        EXPECT_EQ(wrong, 0u);
        EXPECT_GT(hits, checked / 20) << "view " << config;
        // The straightforward pass limited to one pixel reads its whole image there.
        for (int x : {20, 80, 81, 120}) {
            EXPECT_EQ(pickAt(view, Way::Immediate, x, 70), reference.at(x, 70));
        }
    }
}

// What a buffer object holds, read back in the current context.
template <typename T>
std::vector<T> bufferContents(const GlBufferFunctions& gl, GLuint name, size_t count) {
    std::vector<T> contents(count);
    gl.bindBuffer(GL_ARRAY_BUFFER, name);
    gl.getBufferSubData(GL_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(count * sizeof(T)),
                        contents.data());
    gl.bindBuffer(GL_ARRAY_BUFFER, 0);
    return contents;
}

void noDisplay() {}

// The windows as the program makes them: a main window, its four view sub-windows and a pop-up
// menu (which has a context of its own). Every context joins one share group; each Mesh's lists
// are held once, in buffer objects that every view's context sees with the same contents; they
// are deleted when the Mesh goes away, and nothing is kept for a group once its contexts are gone.
TEST_F(ArrayPassesGlTest, BufferObjectsAreSharedByTheViewsAndFreed) {
    const size_t groupsBefore = liveShareGroups();
    TestWindow main(2 * WIDTH + 30, 2 * HEIGHT + 30);
    std::vector<std::unique_ptr<View>> views;
    for (int i = 0; i < 4; ++i) {
        const int window = glutCreateSubWindow(main.id, (i % 2) * (WIDTH + 10),
                                               (i / 2) * (HEIGHT + 10), WIDTH, HEIGHT);
        glutDisplayFunc(noDisplay);
        views.push_back(std::make_unique<View>(&scene));
        const int axes[4] = {0, 2, 1, 2};
        setUpView(*views.back(), {i == 3, axes[i], true, false}, window);
    }
    glutSetWindow(views[1]->window);
    const int menu = glutCreateMenu([](int) {});
    glutAddMenuEntry("entry", 1);
    pumpGlutEvents(3);
    EXPECT_EQ(liveShareGroups(), std::max<size_t>(groupsBefore, 1));
    for (const auto& view : views) {
        glutSetWindow(view->window);
        render(*view, view->camera.perspective ? Pass::Solid : Pass::Wireframe, Way::BufferObjects);
    }
    const ShareGroup group = currentShareGroup();
    ASSERT_NE(group, NO_SHARE_GROUP);
    const GlBufferFunctions& gl = *bufferFunctionsOfCurrentContext();

    std::vector<MeshBuffers> held;
    for (const auto& mesh : scene.models) {
        ASSERT_NE(findMeshBuffers(*mesh, group), nullptr) << mesh->name;
        held.push_back(*findMeshBuffers(*mesh, group));
    }
    for (const auto& view : views) {
        glutSetWindow(view->window);
        EXPECT_EQ(currentShareGroup(), group);
        for (size_t m = 0; m < scene.models.size(); ++m) {
            const MeshArrays expected = buildMeshArrays(*scene.models[m]);
            if (!expected.packed) {
                continue;
            }
            EXPECT_EQ(bufferContents<float>(gl, held[m].vertices, expected.vertices.size()),
                      expected.vertices)
                << scene.models[m]->name;
            EXPECT_EQ(bufferContents<uint32_t>(gl, held[m].triangles, expected.triangles.size()),
                      expected.triangles);
            EXPECT_EQ(bufferContents<uint32_t>(gl, held[m].edges, expected.edges.size()),
                      expected.edges);
        }
    }
    // Held once: the client-side lists went once the buffer objects had them, and come back
    // only when asked for.
    const MeshBuffers torus = held[4];
    EXPECT_EQ(clientListBytes(*scene.models[4]), 0u);
    EXPECT_EQ(clientArrays(*scene.models[4], false).edges, buildMeshArrays(*scene.models[4]).edges);
    EXPECT_GT(clientListBytes(*scene.models[4]), 0u);

    // The Mesh goes away while a view's context is current: its buffers go with it, for all.
    glutSetWindow(views[0]->window);
    scene.destroyScene();
    for (const auto& view : views) {
        glutSetWindow(view->window);
        for (GLuint name : {torus.vertices, torus.triangles, torus.edges}) {
            EXPECT_FALSE(gl.isBuffer(name));
        }
    }

    // A Mesh drawn again, then every window closed: once no context of the group is left (the
    // test's own windows are the only ones when it runs alone, as under CTest), nothing is kept
    // for the group.
    scene.models.push_back(degenerateMesh());
    scene.addInstance(0);
    glutSetWindow(views[1]->window);
    render(*views[1], Pass::Wireframe, Way::BufferObjects);
    ASSERT_NE(findMeshBuffers(*scene.models[0], group), nullptr);
    glutDestroyMenu(menu);
    glutDestroyWindow(main.id);
    main.id = 0;
    pumpGlutEvents(3);
    if (anyReportedContext() == nullptr) {
        EXPECT_EQ(findMeshBuffers(*scene.models[0], group), nullptr);
    }
}

// An error left unread by an earlier, unrelated call is not taken for the upload's: the Mesh
// gets its buffer objects.
TEST(MeshDrawingsGL, AnEarlierUnrelatedErrorDoesNotRefuseTheUpload) {
    const TestWindow window(WIDTH, HEIGHT);
    const ShareGroup group = currentShareGroup();
    ASSERT_NE(group, NO_SHARE_GROUP);
    const GlBufferFunctions* gl = beginBufferedPass(group);
    ASSERT_NE(gl, nullptr);
    const std::unique_ptr<Mesh> mesh = degenerateMesh();
    glEnable(0x7FFF);  // not a capability: GL_INVALID_ENUM, left unread
    const BufferedMesh held = bufferedMesh(*mesh, group, *gl, false);
    EXPECT_NE(held.buffers, nullptr);
    EXPECT_NE(findMeshBuffers(*mesh, group), nullptr);
    EXPECT_EQ(glGetError(), GL_NO_ERROR);
}

}  // namespace
