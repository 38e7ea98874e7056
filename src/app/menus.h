#pragma once

constexpr int MENU_SAVE = 100;
constexpr int MENU_LOAD = 101;
constexpr int MENU_LIGHTING = 102;

// Creates the "Add Object" model menu, one entry per model of the library. Returns its id.
int createModelMenu();
// Creates a view or main-window pop-up menu ("Add Object", "Load Scene", "Save Scene", and
// "Lighting" when asked) and attaches it to the right button of the current window.
void attachPopupMenu(int modelMenu, bool withLighting);

// Callbacks of the pop-up menus and of the "Add Object" sub-menu.
void menuCallback(int value);
void modelMenuCallback(int value);
