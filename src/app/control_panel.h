#pragma once

#include "panel/panel.h"

// Ids that the panel's controls pass to their callback.
constexpr int ID_LIGHTING = 201;
constexpr int ID_MODE = 202;
constexpr int ID_OPEN = 203;
constexpr int ID_SAVE = 204;
constexpr int ID_QUIT = 205;
constexpr int ID_TRANSLATE_X = 206;
constexpr int ID_TRANSLATE_Y = 207;
constexpr int ID_TRANSLATE_Z = 208;
constexpr int ID_ROTATION = 209;
constexpr int ID_ADD = 210;
constexpr int ID_SCALE = 211;
constexpr int ID_NEW = 212;
constexpr int ID_RESET_VIEW = 213;
constexpr int ID_FRAME_ALL = 214;
constexpr int ID_UNDO = 215;
constexpr int ID_REDO = 216;
constexpr int ID_OBJECTS = 217;

// A panel scale step never flattens or mirrors objects: a factor at or below this applies this.
constexpr float MIN_PANEL_SCALE_FACTOR = 0.01f;

// The control panel: where its controls are and the translation values last seen, so that each
// event applies only the change since the previous one of the same control. The controls belong
// to the panel; no control writes a variable of the program by itself.
struct ControlPanel {
    Panel shown;            // the panel the program shows; glui points to it once it is made
    Panel* glui = nullptr;  // the panel the controls are added to
    Control* lightingCheckbox = nullptr;
    Control* modeGroup = nullptr;
    Control* translateX = nullptr;
    Control* translateY = nullptr;
    Control* translateZ = nullptr;
    Control* scaleControl = nullptr;
    Control* addList = nullptr;
    Control* rotationControl = nullptr;
    Control* undoButton = nullptr;
    Control* redoButton = nullptr;
    Control* statusLine = nullptr;
    Control* sceneFileLine = nullptr;  // one row above the status line
    void (*callback)(int id) = nullptr;
    float lastX = 0;
    float lastY = 0;
    float lastZ = 0;
    float lastScale = 0;

    // Adds every control to glui, in panel order. Does nothing without glui or callback.
    void build();
    // The change of a translation control since the last call; remembers the current value.
    float deltaX();
    float deltaY();
    float deltaZ();
    float deltaScale();
};

// What a panel command leaves for the windows to do once the scene and the record are updated.
enum class PanelEffect { None, Redraw, LightingOn, LightingOff, OpenScene, SaveScene, OpenObjects };

// The window-free half of the panel callback: updates the Scene, the cameras and editMode for
// control `id` and says what remains to be done on the windows.
PanelEffect applyPanelCommand(int id);
// The panel's control callback (every control but "Quit"), run with the main window current.
void panelCallback(int id);
