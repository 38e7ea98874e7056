#pragma once

// The Objects window on the program's Scene: its rows are the placed objects, its requests edit
// the Scene's Selection and objects (each edit an undo step) and redraw the views.

// "Objects" on the panel: opens the window, or brings it to the front.
void openObjectsWindow();
// After every pass of the event loop: when the objects or the Selection changed elsewhere (a
// pick, a drag, a key, undo), the open window draws again, and a newly picked object's row is
// scrolled into sight.
void refreshObjectsWindow();
