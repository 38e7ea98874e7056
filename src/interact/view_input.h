#pragma once

// The input handlers of a View: they carry out the interaction rules on the View's record, its
// Scene and the shared editing mode, and ask for the redraws the rules call for.
struct View;

// A key typed into the view (or into the main window, standing for the front view).
void viewKeyboard(View& view, unsigned char key, int x, int y);
// A mouse button pressed or released in the view, and the pointer moving with a button held.
void viewMouseButton(View& view, int button, int state, int x, int y);
void viewMotion(View& view, int x, int y);
// The pick of a left click at window position (x, y): selects, adds or clears.
void pickAt(View& view, int x, int y);
