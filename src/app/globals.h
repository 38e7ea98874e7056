#pragma once

#include <cstdint>

#include "app/control_panel.h"
#include "edit/undo_history.h"
#include "interact/edit_mode.h"
#include "scene/scene.h"
#include "view/view.h"

// The control panel record, the program's one Scene, its four Views, the editing mode and the
// undo history of the Scene's objects. Constructed before main runs, in this order; the Scene
// frees its meshes and objects at exit.
extern ControlPanel controlPanel;
extern Scene scene;
extern View sideView;
extern View frontView;
extern View topView;
extern View perspectiveView;
extern int32_t editMode;
extern UndoHistory undoHistory;

// The four views in the order in which every command visits them.
inline View* const allViews[4] = {&sideView, &frontView, &topView, &perspectiveView};

// Posts a redisplay to the four views (side, front, top, perspective) and makes `window` current.
void redisplayAll(int window);
