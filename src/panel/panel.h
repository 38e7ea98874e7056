#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "scene/matrix.h"

struct ImGuiContext;

// A small retained panel toolkit: controls are plain records holding their id, label, value and
// callback; a Panel draws and operates them in one GLUT sub-window at the right edge of the main
// window. The program only creates controls, reads and sets their values, and receives
// callback(id) when the user changes one.

enum class ControlKind {
    Button,
    Separator,
    ListBox,
    Checkbox,
    RadioGroup,
    Translation,
    Rotation,
    StatusText
};
// X: dragging right raises the value. Y and Z: dragging up raises it.
enum class TranslationKind { X, Y, Z };

using ControlCallback = std::function<void(int id)>;

struct ListItem {
    int value = 0;
    std::string text;
};

struct Control {
    ControlKind kind = ControlKind::Button;
    int id = -1;
    std::string label;
    ControlCallback callback;

    int intValue = 0;  // check box (0/1), radio group (button index), list box (item value)
    std::vector<ListItem> items;       // list box
    std::vector<std::string> buttons;  // radio group
    // List box: a line shown greyed below the items when the list is open; not an item itself.
    std::string note;
    TranslationKind translationKind = TranslationKind::X;
    float translation[3] = {0, 0, 0};  // translation pad: x, y, z
    float speed = 1;
    Matrix4 rotation = identityMatrix();  // rotation ball
    // A control that is not enabled is drawn greyed out and takes no input.
    bool enabled = true;
    // A button that shares the row of the control before it; the row's buttons split its width.
    bool besidePrevious = false;
    // Status text: the lines shown, and how many rows it always takes, so that a change of text
    // never moves another control.
    std::vector<std::string> lines;
    int rows = 0;

    int get_int_val() const { return intValue; }
    void set_int_val(int value) { intValue = value; }
    float get_x() const { return translation[0]; }
    float get_y() const { return translation[1]; }
    float get_z() const { return translation[2]; }
    void set_speed(float s) { speed = s; }
    void add_item(int value, std::string text) { items.push_back({value, std::move(text)}); }
    // The rotation ball's matrix, 16 floats column-major.
    void get_float_array_val(float* out) const;
    // Puts the rotation ball to the given matrix; later drags turn on from there.
    void set_float_array_val(const float* values);

    // The text a list box shows: that of the item whose value is chosen, or "" if none is.
    const std::string& chosenText() const;

    // What a user's action does to the value. A drag of the translation pad by (dx, dy) pixels
    // (right and down positive, as the window reports them) moves the value by speed per pixel
    // and calls back when it changed. A drag on the rotation ball from one point to another, both
    // in the ball's unit coordinates (x right, y up, rim at distance 1 from the centre), turns
    // the matrix on and calls back.
    void dragTranslation(int dx, int dy);
    void dragRotation(float fromX, float fromY, float toX, float toY);
    // A user's choice in a list box, check box or radio group: sets the value and calls back.
    void choose(int value);
    void press();  // a button
};

// The control being dragged and where the pointer was at its last step. Pointer positions are
// whole pixels, so differences of them are exact pixel counts.
struct PanelDrag {
    const Control* control = nullptr;
    float lastX = 0;
    float lastY = 0;
};

struct Panel {
    std::vector<std::unique_ptr<Control>> controls;  // in the order they are shown
    ControlCallback defaultCallback;                 // for controls added without their own
    int window = 0;  // the GLUT sub-window, 0 when the panel is not shown
    // Told with the control's id when the user presses a translation pad or the rotation ball
    // and when the button is let go, whether or not the value changed in between.
    ControlCallback dragStarted;
    ControlCallback dragEnded;

    PanelDrag drag;

    // The window side, set by createPanel and the panelSet functions below.
    int mainWindow = 0;
    ImGuiContext* imgui = nullptr;
    void (*programReshape)(int width, int height) = nullptr;
    void (*programKeyboard)(unsigned char key, int x, int y) = nullptr;
    void (*redisplayLater)(int window) = nullptr;

    Control* add_button(std::string label, int id, ControlCallback callback = {});
    void add_separator();
    Control* add_listbox(std::string label, int id);
    Control* add_checkbox(std::string label, int id);
    Control* add_radiogroup(int id);
    void add_radiobutton_to_group(Control* group, std::string label);
    Control* add_translation(std::string label, TranslationKind kind, int id);
    Control* add_rotation(std::string label, int id);
    // Read-only lines of text at the bottom of the panel, below every other control; `rows` lines
    // high whatever it shows.
    Control* add_status_text(int rows);
    // Redraws the panel so that it shows the controls' current values.
    void sync_live();
};

// Width that the panel sub-window takes at the right edge of the main window.
constexpr int PANEL_WINDOW_WIDTH = 165;

// The main window's reshape and keyboard go through `panel`: on a reshape it first lays itself
// out at the right edge, then calls the program's reshape; keys typed over the panel reach the
// program's keyboard handler. Call these with the main window current. GLUT's callbacks reach
// the panel given last to one of these functions or to createPanel; the caller keeps it alive.
void panelSetMainReshape(Panel& panel, void (*reshape)(int width, int height));
void panelSetMainKeyboard(Panel& panel, void (*keyboard)(unsigned char key, int x, int y));
// How the panel asks for one more redraw of a window at the event loop's next pass (the software
// rasteriser draws the first frame after a resize at the old size). Without it the panel posts
// the redraw at once.
void panelSetRedisplayLater(Panel& panel, void (*redisplayLater)(int window));
// Creates the sub-window of `panel` at the right edge of mainWindow and makes mainWindow current
// again; controls are added to the panel after. Controls call defaultCallback unless given their
// own; callbacks run with mainWindow current.
void createPanel(Panel& panel, int mainWindow, ControlCallback defaultCallback);
