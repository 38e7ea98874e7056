#include "app/startup.h"

#include <GL/freeglut.h>

#include <cstdlib>

#include "app/control_panel.h"
#include "app/event_loop.h"
#include "app/globals.h"
#include "app/layout.h"
#include "app/leak_check.h"
#include "app/menu_layout.h"
#include "app/menu_repaint.h"
#include "app/menus.h"
#include "app/model_listing.h"
#include "app/objects_commands.h"
#include "app/panel_status.h"
#include "app/recovery.h"
#include "app/shared_gl_contexts.h"
#include "app/undo_recording.h"
#include "app/x_errors.h"
#include "interact/view_input.h"
#include "panel/objects_window.h"
#include "panel/panel.h"
#include "platform/file_dialogs.h"
#include "platform/platform.h"

namespace {

// GLUT callbacks carry no user pointer: each view gets its own forwarders, bound at compile time
// to one View record. Edits made through them are recorded for undo.
template <View* view>
struct Forwarders {
    static inline bool dragStepOpen = false;

    static void display() { view->display(); }
    static void keyboard(unsigned char key, int x, int y) {
        noteUserAction();
        keyboardRecorded(*view, undoHistory, key, x, y);
    }
    static void mouse(int button, int state, int x, int y) {
        if (state == GLUT_DOWN) {
            noteUserAction();
        }
        mouseButtonRecorded(*view, undoHistory, dragStepOpen, button, state, x, y);
    }
    static void motion(int x, int y) { viewMotion(*view, x, y); }
    static void reshape(int width, int height) {
        glViewport(0, 0, width, height);
        glutPostRedisplay();
        redisplayAgainNextPass(view->window);
    }
    static void registerAll() {
        glutDisplayFunc(display);
        glutKeyboardFunc(keyboard);
        glutMouseFunc(mouse);
        glutMotionFunc(motion);
        glutReshapeFunc(reshape);
    }
};

using SideForwarders = Forwarders<&sideView>;
using FrontForwarders = Forwarders<&frontView>;
using TopForwarders = Forwarders<&topView>;
using PerspectiveForwarders = Forwarders<&perspectiveView>;

// freeglut tears its windows down in an exit handler and calls the close callback on the way:
// once the process is exiting, closing must not start a second exit with another status.
bool exiting = false;

int mainWindow = 0;

// After a modal dialog: what the user typed or clicked into our windows while it was up must not
// act now, and every window redraws over the place the dialog covered.
void afterModalDialog() {
    discardQueuedInput();
    const int current = glutGetWindow();
    for (View* view : allViews) {
        if (view->window != 0) {
            glutSetWindow(view->window);
            glutPostRedisplay();
        }
    }
    for (int window : {mainWindow, controlPanel.glui != nullptr ? controlPanel.glui->window : 0,
                       objectsWindowShown() ? objectsWindowId() : 0}) {
        if (window != 0) {
            glutSetWindow(window);
            glutPostRedisplay();
        }
    }
    if (current != 0) {
        glutSetWindow(current);
    }
}

// After every pass of the event loop: the panel's status and the Objects window follow the
// Scene.
void followTheScene() {
    keepRecoveryCopy();
    refreshPanelStatus();
    refreshObjectsWindow();
}

int createViewWindow() {
    return glutCreateSubWindow(mainWindow, 50, 50, 200, 200);
}

// Opens the view's sub-window with its GL state, callbacks and pop-up menu. The lighting set-up of
// initGL follows the camera's kind, so the camera is set first.
void openView(View& view, int axis, bool perspective, void (*registerCallbacks)(), int modelMenu) {
    view.window = createViewWindow();
    view.camera.axis = axis;
    view.camera.perspective = perspective;
    view.pressModifiers = modifiersOfPress;
    view.initGL(redisplayAll);
    registerCallbacks();
    // Only the perspective view can switch its lighting.
    attachPopupMenu(modelMenu, perspective);
}

}  // namespace

void displayMain() {
    glClearColor(0.9f, 0.9f, 0.9f, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glFlush();
    glutSwapBuffers();
}

void closeMain() {
    if (!exiting) {
        // freeglut has destroyed the views by now: their GL state cannot be read any more.
        writeRecoveryCopyBeforeEnd(false);
        std::exit(0);
    }
}

void runTessaly(const std::vector<std::string>& glutArguments, const ModelFolderReading& reading,
                bool recover) {
    // glutInit takes the options it knows out of argv, so it gets copies it may rearrange.
    std::vector<std::string> copies = glutArguments;
    std::vector<char*> argv;
    for (std::string& argument : copies) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    int argc = static_cast<int>(copies.size());
    reportXErrorsAndGoOn();
    shareGlObjectsAmongWindows();
    glutInit(&argc, argv.data());
    std::atexit([] {
        exiting = true;
        checkLeaksBeforeTeardown();
    });
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowPosition(50, 50);
    glutInitWindowSize(800, 600);
    glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_CONTINUE_EXECUTION);
    mainWindow = glutCreateWindow("Tessaly");
    glutDisplayFunc(displayMain);
    panelSetMainReshape(controlPanel.shown, reshapeMain);
    panelSetMainKeyboard(controlPanel.shown, FrontForwarders::keyboard);
    glutWMCloseFunc(closeMain);

    platform() = desktopPlatform();
    platform().afterModalDialog = afterModalDialog;
    // The Open dialog offers the recovery folder beside the usual places.
    platform().chooseSceneToOpen = [] {
        return gtkChooseSceneToOpenOffering(recoveryFolderInUse());
    };
    readModelFolderReporting(scene, reading, stderr);

    const int modelMenu = createModelMenu();
    glutMenuStatusFunc(menuStatusChanged);
    glutSetWindow(mainWindow);
    attachPopupMenu(modelMenu, false);

    openView(sideView, AXIS_X, false, SideForwarders::registerAll, modelMenu);
    openView(frontView, AXIS_Z, false, FrontForwarders::registerAll, modelMenu);
    openView(topView, AXIS_Y, false, TopForwarders::registerAll, modelMenu);
    perspectiveView.background[0] = 0.2f;
    perspectiveView.background[1] = 0.5f;
    perspectiveView.background[2] = 0.7f;
    openView(perspectiveView, AXIS_Z, true, PerspectiveForwarders::registerAll, modelMenu);

    panelSetRedisplayLater(controlPanel.shown, redisplayAgainNextPass);
    createPanel(controlPanel.shown, mainWindow, panelCallback);
    controlPanel.glui = &controlPanel.shown;
    controlPanel.callback = panelCallback;
    controlPanel.build();
    for (size_t i = 0; i < scene.models.size(); ++i) {
        controlPanel.addList->add_item(static_cast<int>(i) + 1, scene.models[i]->name);
    }
    if (scene.models.empty()) {
        controlPanel.addList->note = NO_MODELS_LABEL;
    }
    // Committing a non-empty selection puts the Rotation control back to the given matrix.
    scene.resetRotationControl = [](const Matrix4& m) {
        controlPanel.rotationControl->set_float_array_val(m.data());
        controlPanel.glui->sync_live();
    };

    startRecovery(recover);
    runEventLoop(followTheScene);
}
