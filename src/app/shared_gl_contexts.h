#pragma once

// From the call on, every GL context that the program's windows get shares its objects (buffer
// objects above all) with the others, so that each model's drawing data is kept once for all
// views. Call before the first window is made.
void shareGlObjectsAmongWindows();

// While one of these lives, the windows that freeglut makes are pop-up menu windows (each
// glutCreateMenu makes one), and all of them get one GL context between them instead of one each:
// a library of thousands of models makes hundreds of menus, and a context costs megabytes and
// milliseconds. freeglut draws a menu with every state it needs set and put back, except the
// viewport, which follows the window the context is made current with.
struct MenuWindowsShareOneContext {
    MenuWindowsShareOneContext();
    ~MenuWindowsShareOneContext();
    MenuWindowsShareOneContext(const MenuWindowsShareOneContext&) = delete;
    MenuWindowsShareOneContext& operator=(const MenuWindowsShareOneContext&) = delete;
};

// For checks: the live contexts made through the program's windows, menus' counted once.
int liveWindowContexts();
