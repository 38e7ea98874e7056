#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "app/globals.h"
#include "app/layout.h"
#include "app/panel_status.h"
#include "app/scene_file_commands.h"
#include "library/vrml_reader.h"
#include "platform/platform.h"
#include "scenefile/file_io.h"
#include "scenefile/scene_format.h"
#include "support/gl_window.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

// The four global views in real windows of their own, set up as the program sets them up.
void openViewWindows() {
    static bool opened = false;
    if (opened) {
        return;
    }
    opened = true;
    const int axes[4] = {0, 2, 1, 2};
    for (int i = 0; i < 4; ++i) {
        View& view = *allViews[i];
        view.window = openTestWindow(160 + 40 * i, 150, "view");
        view.camera.axis = axes[i];
        view.camera.perspective = i == 3;
        view.initGL(redisplayAll);
    }
}

struct GlMatrices {
    Matrix4 projection, modelview;
    GLint mode;
};

GlMatrices matricesOf(const View& view) {
    glutSetWindow(view.window);
    GlMatrices m{};
    glGetFloatv(GL_PROJECTION_MATRIX, m.projection.data());
    glGetFloatv(GL_MODELVIEW_MATRIX, m.modelview.data());
    glGetIntegerv(GL_MATRIX_MODE, &m.mode);
    return m;
}

// The camera fields that a view line holds, of a Camera or of a file's ViewState.
template <typename CameraFields>
std::string cameraText(const CameraFields& c) {
    std::ostringstream out;
    out << c.eye.x << ' ' << c.eye.y << ' ' << c.eye.z << ' ' << c.panX << ' ' << c.panY << ' '
        << c.rotX << ' ' << c.rotY << ' ' << c.zoom;
    return out.str();
}

struct SceneFileGL : testing::Test, TempFolder {
    SceneFileGL() : TempFolder("tessaly-scenefile") {}

    int other = 0;  // a window that is not a view, current while saving and loading

    void SetUp() override {
        openViewWindows();
        static int otherWindow = openTestWindow(100, 100, "other");
        other = otherWindow;
        scene.selection.clear();
        scene.objects.clear();
        scene.models.clear();
        undoHistory = UndoHistory{};
        for (const char* name : {"box.wrl", "cone.wrl"}) {
            scene.models.push_back(std::make_unique<Mesh>(name));
        }
        for (View* view : allViews) {
            view->camera.reset();
            glutSetWindow(view->window);
            if (view->camera.perspective) {
                setProjection(200, 150, true);
            }
            view->display();
        }
        glutSetWindow(other);
    }
    void TearDown() override {
        scene.selection.clear();
        scene.objects.clear();
        platform().chooseSceneToOpen = [] { return std::optional<std::string>(); };
        platform().chooseSceneToSave = [] { return std::optional<std::string>(); };
    }

    void answerSave(const std::string& file) {
        platform().chooseSceneToSave = [file] { return std::optional<std::string>(file); };
    }
    void answerOpen(const std::string& file) {
        platform().chooseSceneToOpen = [file] { return std::optional<std::string>(file); };
    }

    SceneObject* place(int model, float x) {
        scene.objects.push_back(std::make_unique<SceneObject>(scene.models[model].get()));
        SceneObject* object = scene.objects.back().get();
        object->index = static_cast<int>(scene.objects.size()) - 1;
        object->transform[12] = x;
        return object;
    }
};

}  // namespace

TEST_F(SceneFileGL, SaveWritesEachViewsOwnMatricesAndCamera) {
    perspectiveView.camera.rotX = -40;
    perspectiveView.camera.panX = 0.25f;
    glutSetWindow(perspectiveView.window);
    perspectiveView.display();
    frontView.camera.zoom = 0.5f;
    glutSetWindow(frontView.window);
    frontView.display();
    place(0, 1.0f);
    place(1, -2.5f);
    glutSetWindow(other);

    answerSave(path("a.vsf"));
    ASSERT_TRUE(saveScene());
    EXPECT_EQ(glutGetWindow(), other);

    const auto text = readWholeFile(path("a.vsf"));
    ASSERT_TRUE(text);
    const std::vector<std::string> names = {"box.wrl", "cone.wrl"};
    const auto content = parseSceneFile(*text, names);
    ASSERT_TRUE(content);
    for (int i = 0; i < 4; ++i) {
        const GlMatrices gl = matricesOf(*allViews[i]);
        for (int k = 0; k < 16; ++k) {
            EXPECT_NEAR(content->views[i].projection[k], gl.projection[k], 1e-5f) << i << k;
            EXPECT_NEAR(content->views[i].modelview[k], gl.modelview[k], 1e-5f) << i << k;
        }
        EXPECT_EQ(cameraText(content->views[i]), cameraText(allViews[i]->camera)) << i;
    }
    // The views' matrices differ, so each came from its own context.
    EXPECT_NE(content->views[0].modelview, content->views[1].modelview);
    EXPECT_EQ(content->views[1].projection[0], 1.0f);   // half-size 1 at zoom 0.5
    EXPECT_NE(content->views[3].projection[11], 0.0f);  // the perspective divide
    ASSERT_EQ(content->objects.size(), 2u);
    EXPECT_EQ(content->objects[1].name, "cone.wrl");
    EXPECT_EQ(content->objects[1].transform[12], -2.5f);
}

TEST_F(SceneFileGL, CancelledOrFailedSaveWritesNothingAndKeepsTheOldFile) {
    EXPECT_FALSE(saveScene());  // the dialog is cancelled
    answerSave(path("missing/a.vsf"));
    EXPECT_FALSE(saveScene());

    put("old.vsf", "old content");
    place(0, INFINITY);  // cannot be read back: refused rather than written
    answerSave(path("old.vsf"));
    EXPECT_FALSE(saveScene());
    EXPECT_EQ(readWholeFile(path("old.vsf")), "old content");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), {}), 1);
}

TEST_F(SceneFileGL, CancellingTheSaveDialogStillFoldsThePendingRotation) {
    SceneObject* object = scene.addInstance(0);
    scene.selectObject(0);
    object->pendingRotation = {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    EXPECT_FALSE(saveScene());
    EXPECT_EQ(object->transform, (Matrix4{0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}));
    EXPECT_EQ(object->pendingRotation, identityMatrix());
}

TEST_F(SceneFileGL, LoadPutsEachMatrixIntoItsOwnViewsContext) {
    SceneFileContent content;
    for (int i = 0; i < 4; ++i) {
        for (int k = 0; k < 16; ++k) {
            content.views[i].projection[k] = static_cast<float>(i * 100 + k);
            content.views[i].modelview[k] = static_cast<float>(-i * 100 - k) / 4;
        }
        content.views[i].eye = {1.0f * i, 2, 3};
        content.views[i].panX = 0.5f + i;
        content.views[i].panY = -0.5f;
        content.views[i].rotX = 10 + i;
        content.views[i].rotY = -20;
        content.views[i].zoom = 0.125f;
    }
    ASSERT_TRUE(writeFileAtomically(path("load.vsf"), formatSceneFile(content)));
    answerOpen(path("load.vsf"));
    place(0, 1.0f);  // replaced by the file's none
    for (View* view : allViews) {
        view->camera.framing = {true, {2000, 0, 0}, 50, 400};  // as "Frame All" leaves it
    }
    glutSetWindow(other);
    ASSERT_TRUE(loadScene());
    EXPECT_EQ(glutGetWindow(), other);
    for (int i = 0; i < 4; ++i) {
        const GlMatrices gl = matricesOf(*allViews[i]);
        EXPECT_EQ(gl.projection, content.views[i].projection) << "view " << i;
        EXPECT_EQ(gl.modelview, content.views[i].modelview) << "view " << i;
        EXPECT_EQ(gl.mode, GL_MODELVIEW) << "view " << i;
        const Camera& c = allViews[i]->camera;
        EXPECT_EQ(
            cameraText(c),
            cameraText(Camera{
                false, {1.0f * i, 2, 3}, {}, {}, 0, 10 + i, -20, 0.5f + i, -0.5f, 0.125f, {}}));
        EXPECT_FALSE(c.framing.active) << "view " << i;  // the file's numbers mean them unframed
    }
    EXPECT_TRUE(scene.objects.empty());
}

TEST_F(SceneFileGL, FailedLoadChangesNothing) {
    place(0, 1.0f)->selected = true;
    scene.selection.push_back(scene.objects[0].get());
    place(1, 2.0f);
    perspectiveView.camera.rotY = 77;
    topView.camera.panX = 3;
    GlMatrices before[4];
    std::string camerasBefore[4];
    for (int i = 0; i < 4; ++i) {
        before[i] = matricesOf(*allViews[i]);
        camerasBefore[i] = cameraText(allViews[i]->camera);
    }

    SceneFileContent valid;
    valid.objects.push_back({"cone.wrl"});
    const std::string good = formatSceneFile(valid);
    const struct {
        const char* name;
        std::string text;
    } files[] = {
        {"empty.vsf", ""},
        {"short-record.vsf", good.substr(0, good.size() - 4)},
        {"unknown.vsf", good + "sphere.wrl 1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1 "},
    };
    for (const auto& file : files) {
        answerOpen(put(file.name, file.text));
        glutSetWindow(other);
        EXPECT_FALSE(loadScene()) << file.name;
        EXPECT_EQ(glutGetWindow(), other) << file.name;
    }
    answerOpen(path("does-not-exist.vsf"));
    EXPECT_FALSE(loadScene());
    platform().chooseSceneToOpen = [] { return std::optional<std::string>(); };
    EXPECT_FALSE(loadScene());

    ASSERT_EQ(scene.objects.size(), 2u);
    EXPECT_EQ(scene.objects[0]->transform[12], 1.0f);
    EXPECT_EQ(scene.objects[1]->mesh->name, "cone.wrl");
    ASSERT_EQ(scene.selection.size(), 1u);
    EXPECT_EQ(scene.selection[0], scene.objects[0].get());
    for (int i = 0; i < 4; ++i) {
        const GlMatrices after = matricesOf(*allViews[i]);
        EXPECT_EQ(after.projection, before[i].projection) << "view " << i;
        EXPECT_EQ(after.modelview, before[i].modelview) << "view " << i;
        EXPECT_EQ(cameraText(allViews[i]->camera), camerasBefore[i]) << "view " << i;
    }
}

TEST_F(SceneFileGL, RoundTripRestoresObjectsInOrder) {
    const int models[] = {1, 0, 1};
    for (int n = 0; n < 3; ++n) {
        SceneObject* object = scene.addInstance(models[n]);
        object->transform[12] = 0.1234567f * (n + 1);
        object->transform[5] = 2.0f;
    }
    scene.selectObject(1);
    answerSave(path("round.vsf"));
    ASSERT_TRUE(saveScene());

    scene.removeAllObjects();
    scene.addInstance(0);
    answerOpen(path("round.vsf"));
    ASSERT_TRUE(loadScene());
    ASSERT_EQ(scene.objects.size(), 3u);
    EXPECT_TRUE(scene.selection.empty());
    for (int n = 0; n < 3; ++n) {
        const SceneObject& object = *scene.objects[n];
        EXPECT_EQ(object.index, n);
        EXPECT_FALSE(object.selected);
        EXPECT_EQ(object.mesh, scene.models[models[n]].get());
        EXPECT_EQ(object.transform[5], 2.0f);
        EXPECT_NEAR(object.transform[12], 0.1234567f * (n + 1), 1e-6f);
    }
}

// Loading replaces the objects as one undo step; failed and cancelled loads and every save make
// none. Undone, the scene saves back byte for byte as it was saved before the load.
TEST_F(SceneFileGL, ALoadIsOneUndoStepAndNothingElseOfTheFilesIs) {
    for (int n = 0; n < 3; ++n) {
        SceneObject* object = scene.addInstance(n % 2);
        object->transform[12] = 0.1f * static_cast<float>(n + 1);
    }
    scene.selectObject(2);
    scene.objects[2]->pendingRotation = {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    std::string reason;
    answerSave(path("before.vsf"));
    ASSERT_TRUE(saveScene(reason));
    EXPECT_EQ(reason, "");
    const auto before = readWholeFile(path("before.vsf"));
    ASSERT_TRUE(before);

    // Another file with the same cameras and other objects.
    const std::vector<std::string> names = {"box.wrl", "cone.wrl"};
    auto changed = parseSceneFile(*before, names);
    ASSERT_TRUE(changed);
    changed->objects = {{"cone.wrl", identityMatrix()}};
    ASSERT_TRUE(writeFileAtomically(path("other.vsf"), formatSceneFile(*changed)));

    answerOpen(put("broken.vsf", "1 2 3\n"));
    EXPECT_FALSE(loadScene(reason));
    EXPECT_EQ(reason.rfind("not a scene file: ", 0), 0u) << reason;
    answerOpen(path("missing.vsf"));
    EXPECT_FALSE(loadScene(reason));
    EXPECT_EQ(reason, "cannot read: no such file or directory");
    platform().chooseSceneToOpen = [] { return std::optional<std::string>(); };
    EXPECT_FALSE(loadScene(reason));
    EXPECT_EQ(reason, "");  // a cancel needs no reason
    answerSave(path("missing/a.vsf"));
    EXPECT_FALSE(saveScene(reason));
    EXPECT_EQ(reason.rfind("cannot write: ", 0), 0u) << reason;
    EXPECT_FALSE(undoHistory.canUndo());

    answerOpen(path("other.vsf"));
    ASSERT_TRUE(loadScene(reason));
    ASSERT_EQ(scene.objects.size(), 1u);
    ASSERT_EQ(undoHistory.done.size(), 1u);
    ASSERT_TRUE(undoHistory.undo(scene));
    EXPECT_TRUE(scene.selection.empty());
    answerSave(path("undone.vsf"));
    ASSERT_TRUE(saveScene(reason));
    EXPECT_EQ(readWholeFile(path("undone.vsf")), before);
    EXPECT_EQ(scene.objects[2]->mesh, scene.models[0].get());
    EXPECT_EQ(scene.objects[1]->index, 1);

    ASSERT_TRUE(undoHistory.redo(scene));
    ASSERT_EQ(scene.objects.size(), 1u);
    EXPECT_EQ(scene.objects[0]->mesh, scene.models[1].get());
    EXPECT_EQ(undoHistory.done.size(), 1u);
}

TEST_F(SceneFileGL, ANameWithAnExportExtensionExportsAndChangesNothingElse) {
    Mesh& box = *scene.models[0];
    box.points = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    box.coordIndex = {{0, 1, 2}};
    box.normals = {{0, 0, 1}};
    box.normalIndex = {{0, 0, 0}};
    SceneObject* object = scene.addInstance(0);
    object->transform[12] = 2;
    const Matrix4 before = object->transform;

    for (const char* name : {"room.wrl", "room.glb"}) {
        answerSave(path(name));
        std::string reason = "stale";
        ASSERT_TRUE(saveScene(reason)) << reason;
        EXPECT_EQ(reason, "");
        EXPECT_EQ(statusNote(), std::string("Exported 1 object to ") + name);
        EXPECT_TRUE(fs::is_regular_file(path(name)));
    }
    Mesh exported("room.wrl");
    readModelText(exported, *readWholeFile(path("room.wrl")));
    ASSERT_EQ(exported.points.size(), 3u);
    EXPECT_EQ(exported.points[1].x, 3);  // in world coordinates
    EXPECT_FALSE(undoHistory.canUndo());
    EXPECT_EQ(object->transform, before);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), {}), 2);  // no scene file

    answerSave(path("missing/room.obj"));
    std::string reason;
    EXPECT_FALSE(saveScene(reason));
    EXPECT_EQ(reason, "cannot write: no such file or directory");
    EXPECT_EQ(statusNote(), reason);
    noteUserAction();
}
