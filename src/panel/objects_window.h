#pragma once

// The Objects window: a top-level window beside the main one, drawn with the panel's toolkit
// (Dear ImGui, in a context of its own), that lists rows of objects and offers the buttons and
// typed values of the selection. It knows nothing of the Scene: the program describes the rows
// and the selection through ObjectsWindowModel and carries out what the user asks for.
//
// Keys typed into the window stay there: Esc hides it, the others edit its fields. Closing it
// through the window manager hides it too (freeglut destroys the window; the next open makes a
// new one, with the fields as they were).

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

struct ObjectsRow {
    std::string position;
    std::string name;
    std::string triangles;
    bool selected = false;
};

struct ObjectsWindowModel {
    std::function<size_t()> rowCount;
    // Asked only for the rows on screen.
    std::function<ObjectsRow(size_t row)> row;
    // Lines about the selection (its box), shown above the typed values; asked every frame.
    std::function<std::vector<std::string>()> selectionLines;
};

enum class ObjectsCommand {
    ClickRow,
    SelectAll,
    SelectNone,
    Delete,
    FrameSelected,
    MoveTo,
    TurnBy,
    ScaleBy
};

struct ObjectsRequest {
    ObjectsCommand command = ObjectsCommand::SelectAll;
    size_t row = 0;                     // ClickRow
    int modifiers = 0;                  // ClickRow: Shift 1, Ctrl 2, Alt 4 as held at the press
    std::array<std::string, 3> fields;  // MoveTo, TurnBy, ScaleBy: the X, Y and Z fields
    bool uniform = false;               // ScaleBy: the X field is the factor for all three
};

// Carries a request out; returns the line the window shows below the typed values (why a value
// was refused), or "" for none. Runs with the Objects window current, after the window's frame.
using ObjectsHandler = std::function<std::string(const ObjectsRequest&)>;

struct ObjectsWindowHooks {
    ObjectsWindowModel model;
    ObjectsHandler handle;
    // The Shift/Ctrl/Alt mask of the button press now being handled (GLUT's own mask counts
    // Caps Lock as Shift). Without it, glutGetModifiers.
    int (*modifiersOfPress)(int button, int x, int y) = nullptr;
    // Asks for one more redraw of a window at the event loop's next pass; without it the window
    // posts its redraws at once.
    void (*redisplayLater)(int window) = nullptr;
};

constexpr const char* OBJECTS_WINDOW_TITLE = "Tessaly Objects";

void setObjectsWindowHooks(ObjectsWindowHooks hooks);
// Opens the window, or brings it to the front when it is open. The current window stays current.
void showObjectsWindow();
void hideObjectsWindow();
bool objectsWindowShown();
// The GLUT window, 0 while there is none.
int objectsWindowId();
// The rows or the selection changed: the window draws again (when shown). With `row` given, the
// list scrolls so that row is in sight.
void objectsWindowChanged(std::optional<size_t> row = std::nullopt);

// For benchmarks: draws the window's frame at once, waiting for the GL; and how many frames the
// window has drawn so far.
void drawObjectsWindowNow();
size_t objectsWindowFramesDrawn();
