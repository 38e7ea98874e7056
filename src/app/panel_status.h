#pragma once

#include <string>

// The panel's Undo and Redo buttons and its status line follow the program. After every pass of
// the event loop they are compared with what they should show, and only a change redraws the
// panel: nothing is drawn while nothing changes.

// Brings the buttons' greying and the status line's text up to date; true when either changed.
bool updatePanelStatus();
// updatePanelStatus, then one redraw of the panel at the event loop's next pass if it changed.
void refreshPanelStatus();

// A load or save started from the panel failed: the reason stays in the status line until the
// user's next action. An empty reason (a cancelled dialog) shows nothing.
void showFailureReason(std::string reason);
// A recovery copy of the working folder exists: the status line says so, and how to get it
// back, until the user's next action.
void showRecoveryNotice();
// What a finished command did ("Exported 12 objects to room.glb"), or why it failed: shown the
// same way, until the user's next action.
void showStatusNote(std::string note);
// The failure reason or note shown now; empty when the status line shows the scene.
const std::string& statusNote();
// The user acted: typed a key, pressed a mouse button in a view, used a panel control or chose a
// menu entry. A failure reason or notice shown so far goes.
void noteUserAction();
