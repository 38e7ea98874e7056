// The panel's GLUT sub-window: feeds GLUT input to ImGui, runs the controls' callbacks and draws.
//
// ImGui reads the mouse buttons once per frame, and a quick click's press and release can arrive
// in one pass of the event loop. So every mouse event runs an ImGui frame of its own (not drawn);
// the display callback runs one more frame and draws it. The panel draws only when an event or
// a program change asks for it: no frames run while nothing happens.
#include <GL/freeglut.h>
#include <imgui.h>

#include <cfloat>

#include "backends/imgui_impl_glut.h"
#include "backends/imgui_impl_opengl2.h"
#include "panel/glut_imgui_input.h"
#include "panel/panel.h"
#include "panel/panel_frame.h"

namespace {

// GLUT's callbacks carry no user data: they reach the panel through this one pointer.
Panel* attached = nullptr;

void postPanelRedisplay(int window) {
    const int current = glutGetWindow();
    glutSetWindow(window);
    glutPostRedisplay();
    if (current != 0 && current != window) {
        glutSetWindow(current);
    }
}

// Runs one ImGui frame with the panel window current; draws it when asked. The user's actions run
// afterwards with the main window current, as the program's callbacks expect.
void runFrame(bool draw) {
    ImGui::SetCurrentContext(attached->imgui);
    ImGui_ImplOpenGL2_NewFrame();
    ImGui_ImplGLUT_NewFrame();  // also starts ImGui's frame
    PanelActions actions;
    buildPanelFrame(*attached, actions);
    ImGui::Render();
    if (draw) {
        const ImGuiIO& io = ImGui::GetIO();
        glViewport(0, 0, static_cast<int>(io.DisplaySize.x), static_cast<int>(io.DisplaySize.y));
        glClearColor(PANEL_BACKGROUND[0], PANEL_BACKGROUND[1], PANEL_BACKGROUND[2], 1);
        glClear(GL_COLOR_BUFFER_BIT);
        ImGui_ImplOpenGL2_RenderDrawData(ImGui::GetDrawData());
        glutSwapBuffers();
    }
    if (actions.empty()) {
        return;
    }
    glutSetWindow(attached->mainWindow);
    for (auto& action : actions) {
        action();
    }
    glutSetWindow(attached->window);
    // Show the new values. From inside the display callback a plain post would wait for the next
    // X event, so ask the event loop for it.
    if (draw && attached->redisplayLater != nullptr) {
        attached->redisplayLater(attached->window);
    } else {
        glutPostRedisplay();
    }
}

void display() {
    runFrame(true);
}

void reshape(int width, int height) {
    ImGui::SetCurrentContext(attached->imgui);
    ImGui::GetIO().DisplaySize = ImVec2(static_cast<float>(width), static_cast<float>(height));
    glViewport(0, 0, width, height);
    glutPostRedisplay();
    if (attached->redisplayLater != nullptr) {
        attached->redisplayLater(attached->window);
    }
}

void mouse(int button, int state, int x, int y) {
    ImGui::SetCurrentContext(attached->imgui);
    if (!feedMouseButton(ImGui::GetIO(), button, state == GLUT_DOWN, x, y)) {
        return;
    }
    runFrame(false);
    glutPostRedisplay();
}

void motion(int x, int y) {
    ImGui::SetCurrentContext(attached->imgui);
    ImGui::GetIO().MousePos = ImVec2(static_cast<float>(x), static_cast<float>(y));
    runFrame(false);
    glutPostRedisplay();
}

void passiveMotion(int x, int y) {
    ImGui::SetCurrentContext(attached->imgui);
    ImGui::GetIO().MousePos = ImVec2(static_cast<float>(x), static_cast<float>(y));
    glutPostRedisplay();  // hover highlights
}

void entry(int state) {
    if (state != GLUT_LEFT) {
        return;
    }
    // Without this the last hovered control stays highlighted. Safe to repeat.
    ImGui::SetCurrentContext(attached->imgui);
    ImGui::GetIO().MousePos = ImVec2(-FLT_MAX, -FLT_MAX);
    glutPostRedisplay();
}

// The panel takes no text, so every key belongs to the program.
void keyboard(unsigned char key, int x, int y) {
    if (attached->programKeyboard != nullptr) {
        attached->programKeyboard(key, x, y);
    }
}

void reshapePanelThenMain(int width, int height) {
    if (attached->window != 0) {
        const int current = glutGetWindow();
        glutSetWindow(attached->window);
        glutPositionWindow(width - PANEL_WINDOW_WIDTH > 0 ? width - PANEL_WINDOW_WIDTH : 0, 0);
        glutReshapeWindow(PANEL_WINDOW_WIDTH, height > 0 ? height : 1);
        glutSetWindow(current);
    }
    if (attached->programReshape != nullptr) {
        attached->programReshape(width, height);
    }
}

}  // namespace

void Panel::sync_live() {
    if (window != 0) {
        postPanelRedisplay(window);
    }
}

void panelSetMainReshape(Panel& panel, void (*reshape)(int, int)) {
    attached = &panel;
    panel.programReshape = reshape;
    glutReshapeFunc(reshapePanelThenMain);
}

void panelSetMainKeyboard(Panel& panel, void (*keyboard)(unsigned char, int, int)) {
    attached = &panel;
    panel.programKeyboard = keyboard;
    glutKeyboardFunc(keyboard);
}

void panelSetRedisplayLater(Panel& panel, void (*later)(int)) {
    attached = &panel;
    panel.redisplayLater = later;
}

void createPanel(Panel& panel, int main, ControlCallback defaultCallback) {
    attached = &panel;
    panel.mainWindow = main;
    panel.defaultCallback = std::move(defaultCallback);
    glutSetWindow(main);
    const int width = glutGet(GLUT_WINDOW_WIDTH), height = glutGet(GLUT_WINDOW_HEIGHT);
    panel.window = glutCreateSubWindow(main, width - PANEL_WINDOW_WIDTH, 0, PANEL_WINDOW_WIDTH,
                                       height > 0 ? height : 1);
    glutDisplayFunc(display);
    glutReshapeFunc(reshape);
    glutMouseFunc(mouse);
    glutMotionFunc(motion);
    glutPassiveMotionFunc(passiveMotion);
    glutEntryFunc(entry);
    glutKeyboardFunc(keyboard);

    IMGUI_CHECKVERSION();
    panel.imgui = ImGui::CreateContext();
    ImGui::SetCurrentContext(panel.imgui);
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr;
    io.LogFilename = nullptr;
    io.DisplaySize = ImVec2(PANEL_WINDOW_WIDTH, static_cast<float>(height > 0 ? height : 1));
    io.MousePos = ImVec2(-FLT_MAX, -FLT_MAX);
    ImGui_ImplGLUT_Init();
    ImGui_ImplOpenGL2_Init();
    applyPanelStyle();

    glutSetWindow(main);
}
