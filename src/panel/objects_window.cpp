// The Objects window's GLUT side and its ImGui frame. Like the panel, every input event runs an
// ImGui frame of its own (not drawn), so that a quick click's press and release, which can arrive
// in one pass of the event loop, are seen as two transitions; the display callback runs one more
// frame and draws it. ImGui's GLUT back-end only feeds input here: its InstallFuncs would take
// over the callbacks of the current window.
#include "panel/objects_window.h"

#include <GL/freeglut.h>
#include <imgui.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <utility>

#include "backends/imgui_impl_glut.h"
#include "backends/imgui_impl_opengl2.h"
#include "panel/panel_frame.h"

namespace {

// Beside the main window as it first opens (at 50, 50, 800 pixels wide).
constexpr int WINDOW_X = 866;
constexpr int WINDOW_Y = 50;
constexpr int WINDOW_WIDTH = 400;
constexpr int WINDOW_HEIGHT = 600;
constexpr int FIELD_SIZE = 64;
constexpr unsigned char ESCAPE = 27;

using Actions = std::vector<std::function<void()>>;

struct TypedRow {
    const char* label;
    ObjectsCommand command;
    char fields[3][FIELD_SIZE];
};

struct WindowState {
    ObjectsWindowHooks hooks;
    int window = 0;
    bool shown = false;
    ImGuiContext* context = nullptr;
    bool rendererReady = false;  // the OpenGL2 back-end is set up for the current GLUT window
    int pressModifiers = 0;      // of the last button press
    std::optional<size_t> scrollTo;
    std::string message;
    TypedRow rows[3] = {{"Move to", ObjectsCommand::MoveTo, {"0", "0", "0"}},
                        {"Turn by", ObjectsCommand::TurnBy, {"0", "0", "0"}},
                        {"Scale by", ObjectsCommand::ScaleBy, {"1", "1", "1"}}};
    bool uniform = true;
    size_t framesDrawn = 0;
    bool scrolled = false;  // a frame asked for a scroll that the next frame shows
};
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

ObjectsRequest request(ObjectsCommand command) {
    ObjectsRequest r;
    r.command = command;
    return r;
}

void ask(Actions& actions, ObjectsRequest r) {
    actions.push_back([r = std::move(r)] {
        if (state.hooks.handle) {
            state.message = state.hooks.handle(r);
        }
    });
}

void buttonsRow(Actions& actions) {
    const std::pair<const char*, ObjectsCommand> buttons[4] = {
        {"Select All", ObjectsCommand::SelectAll},
        {"Select None", ObjectsCommand::SelectNone},
        {"Delete", ObjectsCommand::Delete},
        {"Frame Selected", ObjectsCommand::FrameSelected}};
    for (int i = 0; i < 4; ++i) {
        if (i > 0) {
            ImGui::SameLine();
        }
        if (ImGui::Button(buttons[i].first)) {
            ask(actions, request(buttons[i].second));
        }
    }
}

// Scrolls the list so that `row` is in sight, in the table's own scrolling region.
void scrollToRow(size_t row, float rowHeight, float headerHeight) {
    const float top = static_cast<float>(row) * rowHeight;
    const float shown = ImGui::GetWindowHeight() - headerHeight;
    const float scroll = ImGui::GetScrollY();
    if (top < scroll || top + rowHeight > scroll + shown) {
        ImGui::SetScrollY(std::max(0.0f, top - (shown - rowHeight) / 2));
    }
}

void objectList(Actions& actions, float height) {
    const ImGuiTableFlags flags = ImGuiTableFlags_ScrollY | ImGuiTableFlags_RowBg |
                                  ImGuiTableFlags_BordersOuter | ImGuiTableFlags_BordersInnerV;
    if (!ImGui::BeginTable("##objects", 3, flags, ImVec2(0, height))) {
        return;
    }
    const float digit = ImGui::CalcTextSize("0").x;
    ImGui::TableSetupScrollFreeze(0, 1);
    ImGui::TableSetupColumn("#", ImGuiTableColumnFlags_WidthFixed, digit * 7);
    ImGui::TableSetupColumn("Model", ImGuiTableColumnFlags_WidthStretch);
    ImGui::TableSetupColumn("Triangles", ImGuiTableColumnFlags_WidthFixed, digit * 11);
    ImGui::TableHeadersRow();
    const size_t count = state.hooks.model.rowCount ? state.hooks.model.rowCount() : 0;
    const float rowHeight = ImGui::GetTextLineHeight() + 2 * ImGui::GetStyle().CellPadding.y;
    if (state.scrollTo && *state.scrollTo < count) {
        scrollToRow(*state.scrollTo, rowHeight, rowHeight);
        state.scrolled = true;  // ImGui scrolls at the next frame: one more is drawn
    }
    state.scrollTo.reset();
    // Only the rows in sight are asked for and laid out.
    ImGuiListClipper clipper;
    clipper.Begin(static_cast<int>(std::min<size_t>(count, INT32_MAX)), rowHeight);
    while (clipper.Step()) {
        for (int i = clipper.DisplayStart; i < clipper.DisplayEnd; ++i) {
            const size_t index = static_cast<size_t>(i);
            const ObjectsRow row = state.hooks.model.row(index);
            ImGui::TableNextRow();
            ImGui::TableSetColumnIndex(0);
            ImGui::PushID(i);
            if (ImGui::Selectable(row.position.c_str(), row.selected,
                                  ImGuiSelectableFlags_SpanAllColumns)) {
                ObjectsRequest click = request(ObjectsCommand::ClickRow);
                click.row = index;
                click.modifiers = state.pressModifiers;
                ask(actions, std::move(click));
            }
            ImGui::PopID();
            ImGui::TableSetColumnIndex(1);
            ImGui::TextUnformatted(row.name.c_str());
            ImGui::TableSetColumnIndex(2);
            const float room = ImGui::GetContentRegionAvail().x;
            const float width = ImGui::CalcTextSize(row.triangles.c_str()).x;
            ImGui::SetCursorPosX(ImGui::GetCursorPosX() + std::max(0.0f, room - width));
            ImGui::TextUnformatted(row.triangles.c_str());
        }
    }
    ImGui::EndTable();
}

void typedRow(TypedRow& row, Actions& actions) {
    const ImGuiStyle& style = ImGui::GetStyle();
    ImGui::PushID(row.label);
    ImGui::AlignTextToFramePadding();
    ImGui::TextUnformatted(row.label);
    const float labelWidth = ImGui::CalcTextSize("Scale by").x + style.ItemSpacing.x;
    ImGui::SameLine(labelWidth + style.WindowPadding.x);
    const bool scale = row.command == ObjectsCommand::ScaleBy;
    const float applyWidth = ImGui::CalcTextSize("Apply").x + 4 * style.FramePadding.x;
    const float fieldWidth =
        std::floor((ImGui::GetContentRegionAvail().x - applyWidth - 3 * style.ItemSpacing.x) / 3);
    bool entered = false;
    static const char* const AXES[3] = {"##x", "##y", "##z"};
    for (int i = 0; i < 3; ++i) {
        if (i > 0) {
            ImGui::SameLine();
        }
        const bool unused = scale && state.uniform && i > 0;
        if (unused) {
            ImGui::BeginDisabled();
        }
        ImGui::SetNextItemWidth(fieldWidth);
        entered = ImGui::InputText(AXES[i], row.fields[i], FIELD_SIZE,
                                   ImGuiInputTextFlags_EnterReturnsTrue) ||
                  entered;
        if (unused) {
            ImGui::EndDisabled();
        }
    }
    ImGui::SameLine();
    if (ImGui::Button("Apply", ImVec2(applyWidth, 0)) || entered) {
        ObjectsRequest apply = request(row.command);
        for (int i = 0; i < 3; ++i) {
            apply.fields[i] = row.fields[i];
        }
        apply.uniform = scale && state.uniform;
        ask(actions, std::move(apply));
    }
    ImGui::PopID();
}

void buildFrame(Actions& actions) {
    const ImGuiIO& io = ImGui::GetIO();
    ImGui::SetNextWindowPos(ImVec2(0, 0));
    ImGui::SetNextWindowSize(io.DisplaySize);
    ImGui::Begin("##objectsWindow", nullptr,
                 ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoMove |
                     ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoBringToFrontOnFocus);
    buttonsRow(actions);

    const std::vector<std::string> lines = state.hooks.model.selectionLines
                                               ? state.hooks.model.selectionLines()
                                               : std::vector<std::string>();
    const ImGuiStyle& style = ImGui::GetStyle();
    const float line = ImGui::GetTextLineHeightWithSpacing();
    const float frame = ImGui::GetFrameHeightWithSpacing();
    // Below the list: a separator, the selection's lines, three typed rows, the uniform box and
    // the message line.
    const float below = style.ItemSpacing.y * 2 + line * static_cast<float>(lines.size() + 1) +
                        frame * 4 + style.ItemSpacing.y;
    objectList(actions,
               std::max(ImGui::GetTextLineHeight() * 4, ImGui::GetContentRegionAvail().y - below));
    ImGui::Separator();
    for (const std::string& text : lines) {
        ImGui::TextUnformatted(text.c_str());
    }
    for (TypedRow& row : state.rows) {
        typedRow(row, actions);
    }
    ImGui::Checkbox("One factor for X, Y and Z", &state.uniform);
    if (!state.message.empty()) {
        ImGui::TextColored(ImVec4(0.70f, 0.05f, 0.05f, 1), "%s", state.message.c_str());
    }
    // Delete outside the fields deletes the selection, as the Delete button does.
    if (!io.WantTextInput && ImGui::IsKeyPressed(ImGui::GetKeyIndex(ImGuiKey_Delete), false)) {
        ask(actions, request(ObjectsCommand::Delete));
    }
    ImGui::End();
}

// One ImGui frame with the Objects window current, drawn when asked. What the user asked for
// runs after the frame, with the Objects window current.
void runFrame(bool draw) {
    if (!state.rendererReady) {
        ImGui_ImplOpenGL2_Init();
        state.rendererReady = true;
    }
    Actions actions;
    ImGui_ImplOpenGL2_NewFrame();
    ImGui_ImplGLUT_NewFrame();
    buildFrame(actions);
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
    if (std::exchange(state.scrolled, false)) {
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
        state.pressModifiers = state.hooks.modifiersOfPress != nullptr
                                   ? state.hooks.modifiersOfPress(button, x, y)
                                   : glutGetModifiers();
    }
    inContext([&] {
        ImGuiIO& io = ImGui::GetIO();
        io.MousePos = ImVec2(static_cast<float>(x), static_cast<float>(y));
        if (down) {
            setModifiers(io, state.pressModifiers);
        }
        switch (button) {
            case GLUT_LEFT_BUTTON:
                io.MouseDown[0] = down;
                break;
            case GLUT_RIGHT_BUTTON:
                io.MouseDown[1] = down;
                break;
            case GLUT_MIDDLE_BUTTON:
                io.MouseDown[2] = down;
                break;
            case 3:  // wheel up
                if (down)
                    io.MouseWheel += 1;
                break;
            case 4:  // wheel down
                if (down)
                    io.MouseWheel -= 1;
                break;
            default:
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

void createWindow() {
    if (state.context == nullptr) {
        createContext();
    }
    glutInitWindowPosition(WINDOW_X, WINDOW_Y);
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
        state.scrollTo = row;
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
