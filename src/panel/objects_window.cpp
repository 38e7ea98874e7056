// The Objects window's GLUT side: its window, its ImGui context and the input it feeds that. Like
// the panel, every input event runs an ImGui frame of its own (not drawn), so that a quick click's
// press and release, which can arrive in one pass of the event loop, are seen as two transitions;
// the display callback runs one more frame and draws it. ImGui's GLUT back-end only feeds input
// here: its InstallFuncs would take over the callbacks of the current window.
#include "panel/objects_window.h"

#include <GL/freeglut.h>
#include <imgui.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <utility>

#include "backends/imgui_impl_glut.h"
#include "backends/imgui_impl_opengl2.h"
#include "panel/glut_imgui_input.h"
#include "panel/objects_frame.h"
#include "panel/panel_frame.h"

namespace {

// The gap to the window the Objects window opens beside.
constexpr int WINDOW_GAP = 16;
constexpr int WINDOW_WIDTH = 400;
constexpr int WINDOW_HEIGHT = 600;
constexpr unsigned char ESCAPE = 27;

struct WindowState {
    ObjectsWindowHooks hooks;
    int window = 0;
    bool shown = false;
    ImGuiContext* context = nullptr;
    bool rendererReady = false;  // the OpenGL2 back-end is set up for the current GLUT window
    ObjectsFrame frame;          // kept while the window is closed and opened again
    size_t framesDrawn = 0;
};
// Process-wide: GLUT's callbacks carry no user data, and there is one Objects window at most.
WindowState state;

// Runs `body` with the window's ImGui context current and gives the previous one back after,
// so that the control panel's context is never disturbed.
template <typename Body>
void inContext(Body body) {
    ImGuiContext* previous = ImGui::GetCurrentContext();
    ImGui::SetCurrentContext(state.context);
    body();
    ImGui::SetCurrentContext(previous);
}

void postRedisplay() {
    if (state.window == 0) {
        return;
    }
    const int current = glutGetWindow();
    glutSetWindow(state.window);
    glutPostRedisplay();
    if (current != 0 && current != state.window) {
        glutSetWindow(current);
    }
}

// One ImGui frame with the Objects window current, drawn when asked. What the user asked for
// runs after the frame, with the Objects window current.
void runFrame(bool draw) {
    if (!state.rendererReady) {
        ImGui_ImplOpenGL2_Init();
        state.rendererReady = true;
    }
    ObjectsActions actions;
    ImGui_ImplOpenGL2_NewFrame();
    ImGui_ImplGLUT_NewFrame();
    buildObjectsFrame(state.frame, state.hooks, actions);
    ImGui::Render();
    if (draw) {
        const ImGuiIO& io = ImGui::GetIO();
        glViewport(0, 0, static_cast<int>(io.DisplaySize.x), static_cast<int>(io.DisplaySize.y));
        glClearColor(PANEL_BACKGROUND[0], PANEL_BACKGROUND[1], PANEL_BACKGROUND[2], 1);
        glClear(GL_COLOR_BUFFER_BIT);
        ImGui_ImplOpenGL2_RenderDrawData(ImGui::GetDrawData());
        glutSwapBuffers();
        ++state.framesDrawn;
    }
    if (std::exchange(state.frame.scrolled, false)) {
        if (draw && state.hooks.redisplayLater != nullptr) {
            state.hooks.redisplayLater(state.window);
        } else {
            glutPostRedisplay();
        }
    }
    if (actions.empty()) {
        return;
    }
    for (auto& action : actions) {
        action();
        if (state.window == 0) {
            return;  // the request closed the window
        }
    }
    glutSetWindow(state.window);
    if (draw && state.hooks.redisplayLater != nullptr) {
        state.hooks.redisplayLater(state.window);
    } else {
        glutPostRedisplay();
    }
}

void display() {
    inContext([] { runFrame(true); });
}

void reshape(int width, int height) {
    inContext([&] {
        ImGui::GetIO().DisplaySize =
            ImVec2(static_cast<float>(std::max(width, 1)), static_cast<float>(std::max(height, 1)));
    });
    glViewport(0, 0, width, height);
    glutPostRedisplay();
    if (state.hooks.redisplayLater != nullptr) {
        state.hooks.redisplayLater(state.window);
    }
}

void setModifiers(ImGuiIO& io, int modifiers) {
    io.KeyShift = (modifiers & GLUT_ACTIVE_SHIFT) != 0;
    io.KeyCtrl = (modifiers & GLUT_ACTIVE_CTRL) != 0;
    io.KeyAlt = (modifiers & GLUT_ACTIVE_ALT) != 0;
}

void mouse(int button, int state_, int x, int y) {
    const bool down = state_ == GLUT_DOWN;
    if (down) {
        state.frame.pressModifiers = state.hooks.modifiersOfPress != nullptr
                                         ? state.hooks.modifiersOfPress(button, x, y)
                                         : glutGetModifiers();
    }
    inContext([&] {
        ImGuiIO& io = ImGui::GetIO();
        if (down) {
            setModifiers(io, state.frame.pressModifiers);
        }
        if (!feedMouseButton(io, button, down, x, y)) {
            return;
        }
        runFrame(false);
    });
    postRedisplay();
}

void motion(int x, int y) {
    inContext([&] {
        ImGui::GetIO().MousePos = ImVec2(static_cast<float>(x), static_cast<float>(y));
        runFrame(false);
    });
    postRedisplay();
}

void passiveMotion(int x, int y) {
    inContext(
        [&] { ImGui::GetIO().MousePos = ImVec2(static_cast<float>(x), static_cast<float>(y)); });
    glutPostRedisplay();  // hover highlights
}

void entry(int entered) {
    if (entered != GLUT_LEFT) {
        return;
    }
    inContext([] { ImGui::GetIO().MousePos = ImVec2(-FLT_MAX, -FLT_MAX); });
    glutPostRedisplay();
}

// Keys stay in this window: they never reach the views. Esc hides it.
void keyboard(unsigned char key, int x, int y) {
    if (key == ESCAPE) {
        hideObjectsWindow();
        return;
    }
    inContext([&] {
        ImGui_ImplGLUT_KeyboardFunc(key, x, y);
        runFrame(false);
    });
    postRedisplay();
}

void keyboardUp(unsigned char key, int x, int y) {
    inContext([&] {
        ImGui_ImplGLUT_KeyboardUpFunc(key, x, y);
        runFrame(false);
    });
    postRedisplay();
}

void special(int key, int x, int y) {
    inContext([&] {
        ImGui_ImplGLUT_SpecialFunc(key, x, y);
        runFrame(false);
    });
    postRedisplay();
}

void specialUp(int key, int x, int y) {
    inContext([&] {
        ImGui_ImplGLUT_SpecialUpFunc(key, x, y);
        runFrame(false);
    });
    postRedisplay();
}

// freeglut destroys a window that the window manager closes, right after this callback: its GL
// context goes with it, so the renderer lets go of its texture now and starts again in the next
// window. The ImGui context stays, and with it what the fields hold.
void closedByWindowManager() {
    inContext([] {
        if (state.rendererReady) {
            ImGui_ImplOpenGL2_Shutdown();
            state.rendererReady = false;
        }
        ImGuiIO& io = ImGui::GetIO();
        io.MousePos = ImVec2(-FLT_MAX, -FLT_MAX);
        for (bool& down : io.MouseDown) {
            down = false;
        }
    });
    state.window = 0;
    state.shown = false;
}

void createContext() {
    ImGuiContext* previous = ImGui::GetCurrentContext();
    state.context = ImGui::CreateContext();
    ImGui::SetCurrentContext(state.context);
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr;
    io.LogFilename = nullptr;
    io.DisplaySize = ImVec2(WINDOW_WIDTH, WINDOW_HEIGHT);
    io.MousePos = ImVec2(-FLT_MAX, -FLT_MAX);
    ImGui_ImplGLUT_Init();
    applyPanelStyle();
    ImGuiStyle& style = ImGui::GetStyle();
    style.WindowPadding = ImVec2(8, 8);
    // Selected rows stand out clearly; the column headings are not mistaken for one.
    style.Colors[ImGuiCol_Header] = ImVec4(0.56f, 0.71f, 0.95f, 1);
    style.Colors[ImGuiCol_HeaderHovered] = ImVec4(0.76f, 0.85f, 0.97f, 1);
    style.Colors[ImGuiCol_HeaderActive] = ImVec4(0.48f, 0.64f, 0.92f, 1);
    style.Colors[ImGuiCol_TableHeaderBg] = ImVec4(0.82f, 0.82f, 0.84f, 1);
    ImGui::SetCurrentContext(previous);
}

// Beside the window current now (the main window, whose panel opens this one), as far right as
// the screen allows.
void placeBesideCurrentWindow() {
    int x = 0, y = 0;
    if (glutGetWindow() != 0) {
        x = glutGet(GLUT_WINDOW_X) + glutGet(GLUT_WINDOW_WIDTH) + WINDOW_GAP;
        y = glutGet(GLUT_WINDOW_Y);
    }
    const int screenWidth = glutGet(GLUT_SCREEN_WIDTH);
    if (screenWidth > 0 && x + WINDOW_WIDTH > screenWidth) {
        x = std::max(0, screenWidth - WINDOW_WIDTH);
    }
    glutInitWindowPosition(x, std::max(0, y));
}

void createWindow() {
    if (state.context == nullptr) {
        createContext();
    }
    placeBesideCurrentWindow();
    glutInitWindowSize(WINDOW_WIDTH, WINDOW_HEIGHT);
    state.window = glutCreateWindow(OBJECTS_WINDOW_TITLE);
    glutDisplayFunc(display);
    glutReshapeFunc(reshape);
    glutMouseFunc(mouse);
    glutMotionFunc(motion);
    glutPassiveMotionFunc(passiveMotion);
    glutEntryFunc(entry);
    glutKeyboardFunc(keyboard);
    glutKeyboardUpFunc(keyboardUp);
    glutSpecialFunc(special);
    glutSpecialUpFunc(specialUp);
    glutWMCloseFunc(closedByWindowManager);
    inContext([] {
        ImGui::GetIO().DisplaySize = ImVec2(WINDOW_WIDTH, WINDOW_HEIGHT);
        state.rendererReady = false;
    });
}

}  // namespace

void setObjectsWindowHooks(ObjectsWindowHooks hooks) {
    state.hooks = std::move(hooks);
}

void showObjectsWindow() {
    const int current = glutGetWindow();
    if (state.window == 0) {
        createWindow();
    } else {
        glutSetWindow(state.window);
        glutShowWindow();
        glutPopWindow();
        glutPostRedisplay();
    }
    state.shown = true;
    if (current != 0) {
        glutSetWindow(current);
    }
}

void hideObjectsWindow() {
    if (state.window == 0 || !state.shown) {
        return;
    }
    const int current = glutGetWindow();
    glutSetWindow(state.window);
    glutHideWindow();
    state.shown = false;
    inContext([] {
        ImGuiIO& io = ImGui::GetIO();
        io.MousePos = ImVec2(-FLT_MAX, -FLT_MAX);
        for (bool& down : io.MouseDown) {
            down = false;
        }
    });
    if (current != 0 && current != state.window) {
        glutSetWindow(current);
    }
}

bool objectsWindowShown() {
    return state.window != 0 && state.shown;
}

int objectsWindowId() {
    return state.window;
}

void objectsWindowChanged(std::optional<size_t> row) {
    if (row) {
        state.frame.scrollTo = row;
    }
    if (objectsWindowShown()) {
        postRedisplay();
    }
}

void drawObjectsWindowNow() {
    if (state.window == 0) {
        return;
    }
    const int current = glutGetWindow();
    glutSetWindow(state.window);
    display();
    glFinish();
    if (current != 0) {
        glutSetWindow(current);
    }
}

size_t objectsWindowFramesDrawn() {
    return state.framesDrawn;
}
