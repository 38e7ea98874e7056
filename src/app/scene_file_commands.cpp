#include "app/scene_file_commands.h"

#include <GL/freeglut.h>

#include <string>
#include <vector>

#include "app/globals.h"
#include "app/panel_status.h"
#include "app/recovery.h"
#include "platform/platform.h"
#include "reader/export_format.h"
#include "scenefile/file_io.h"
#include "scenefile/scene_export.h"
#include "scenefile/scene_format.h"

namespace {

// Makes a view's window current; false while the view has no window (nothing to talk to then).
bool enterView(const View& view) {
    if (view.window <= 0) {
        return false;
    }
    glutSetWindow(view.window);
    return true;
}

void restoreWindow(int window) {
    if (window > 0) {
        glutSetWindow(window);
    }
}

// Hands each camera field that a scene file keeps to `pass` beside its place in the file's view
// state: one list for saving and loading alike.
template <typename CameraOrConst, typename StateOrConst, typename Pass>
void pairKeptFields(CameraOrConst& camera, StateOrConst& state, Pass pass) {
    pass(camera.eye, state.eye);
    pass(camera.panX, state.panX);
    pass(camera.panY, state.panY);
    pass(camera.rotX, state.rotX);
    pass(camera.rotY, state.rotY);
    pass(camera.zoom, state.zoom);
}

ViewState captureView(const View& view) {
    ViewState state;
    if (enterView(view)) {
        glGetFloatv(GL_PROJECTION_MATRIX, state.projection.data());
        glGetFloatv(GL_MODELVIEW_MATRIX, state.modelview.data());
    }
    pairKeptFields(view.camera, state, [](const auto& kept, auto& saved) { saved = kept; });
    return state;
}

void applyView(View& view, const ViewState& state) {
    if (enterView(view)) {
        glMatrixMode(GL_PROJECTION);
        glLoadMatrixf(state.projection.data());
        glMatrixMode(GL_MODELVIEW);
        glLoadMatrixf(state.modelview.data());
    }
    pairKeptFields(view.camera, state, [](auto& kept, const auto& saved) { kept = saved; });
    // The file holds no framing: the loaded numbers mean what they mean unframed.
    view.camera.framing = {};
}

}  // namespace

bool exportScene(const std::string& path, std::string& reason) {
    // An export only reads the scene: no undo step, the scene file and its state stay as they are.
    ExportOutcome outcome = exportSceneToFile(scene, path);
    showStatusNote(outcome.message);
    if (!outcome.written) {
        reason = std::move(outcome.message);
    }
    return outcome.written;
}

bool saveScene() {
    std::string reason;
    return saveScene(reason);
}

bool loadScene() {
    std::string reason;
    return loadScene(reason);
}

bool saveScene(std::string& reason) {
    reason.clear();
    // Folded before the dialog, so that transform alone holds each object's placement; a cancel
    // keeps the fold, which moves nothing on screen.
    scene.commitSelection();
    const auto path = platform().chooseSceneToSave();
    if (!path) {
        return false;
    }
    if (exportFormatOfPath(*path)) {
        return exportScene(*path, reason);
    }

    SceneFileContent content;
    content.views = captureViews();
    for (const auto& object : scene.objects) {
        content.objects.push_back({object->mesh->name, object->transform});
    }
    // A file holding inf or nan could never be loaded back: refuse it rather than report success.
    if (!content.allFinite()) {
        reason = "not saved: a number is inf or nan";
        return false;
    }
    waitForRecoveryWrite();
    if (!writeFileAtomically(*path, formatSceneFile(content), reason)) {
        return false;
    }
    sceneFileSaved(*path);
    return true;
}

std::array<ViewState, 4> captureViews() {
    std::array<ViewState, 4> views;
    const int remembered = glutGetWindow();
    for (int i = 0; i < 4; ++i) {
        views[i] = captureView(*allViews[i]);
    }
    restoreWindow(remembered);
    return views;
}

bool loadScene(std::string& reason) {
    reason.clear();
    const auto path = platform().chooseSceneToOpen();
    if (!path) {
        return false;
    }
    if (!loadSceneFrom(*path, reason)) {
        return false;
    }
    sceneFileLoaded(*path);
    return true;
}

bool loadSceneFrom(const std::string& path, std::string& reason) {
    reason.clear();
    const auto text = readWholeFile(path, reason);
    if (!text) {
        return false;
    }
    std::vector<std::string> names;
    names.reserve(scene.models.size());
    for (const auto& model : scene.models) {
        names.push_back(model->name);
    }
    // Everything is checked before anything changes: a bad file leaves the scene, the selection,
    // the cameras and the GL matrices exactly as they were.
    const auto content = parseSceneFile(*text, names, reason);
    if (!content) {
        return false;
    }

    const int remembered = glutGetWindow();
    undoHistory.recordReplaceAll(scene, content->objects.size());
    scene.removeAllObjects();
    for (const ObjectRecord& record : content->objects) {
        if (SceneObject* object = scene.addInstance(record.modelIndex)) {
            object->transform = record.transform;
        }
    }
    for (int i = 0; i < 4; ++i) {
        applyView(*allViews[i], content->views[i]);
    }
    for (const View* view : allViews) {
        if (enterView(*view)) {
            glutPostRedisplay();
        }
    }
    restoreWindow(remembered);
    return true;
}
