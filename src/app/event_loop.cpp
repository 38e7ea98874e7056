// The only file that includes Xlib: its macros clash with other headers.
#include "app/event_loop.h"

#include <GL/freeglut.h>
#include <GL/glx.h>
#include <X11/Xlib.h>
#include <poll.h>

#include <utility>
#include <vector>

#include "app/menu_repaint.h"

namespace {

std::vector<std::function<void()>> deferredActions;
std::vector<int> windowsToRedisplay;

Display* display() {
    return glXGetCurrentDisplay();
}

// freeglut runs the redisplays that input callbacks post within the same pass. One posted from a
// display callback itself would wait for the next X event; the bounded sleep below catches it.
constexpr int SAFETY_WAKE_MS = 500;

}  // namespace

void runAfterMenuCloses(std::function<void()> action) {
    deferredActions.push_back(std::move(action));
}

void redisplayAgainNextPass(int window) {
    windowsToRedisplay.push_back(window);
}

namespace {

void postDelayedRedisplays() {
    std::vector<int> due;
    due.swap(windowsToRedisplay);
    const int current = glutGetWindow();
    for (int window : due) {
        glutSetWindow(window);
        glutPostRedisplay();
    }
    if (current != 0) {
        glutSetWindow(current);
    }
}

}  // namespace

[[noreturn]] void runEventLoop() {
    for (;;) {
        glutMainLoopEvent();
        repaintNewlyShownMenus();
        Display* connection = display();
        if (connection == nullptr) {
            continue;
        }
        if (!windowsToRedisplay.empty()) {
            postDelayedRedisplays();
            continue;
        }
        if (!deferredActions.empty()) {
            XSync(connection, False);
            glutMainLoopEvent();  // the menu closes and the windows redraw first
            std::vector<std::function<void()>> due;
            due.swap(deferredActions);
            for (auto& action : due) {
                action();
            }
            continue;
        }
        if (XPending(connection) > 0) {
            continue;
        }
        pollfd descriptor{ConnectionNumber(connection), POLLIN, 0};
        poll(&descriptor, 1, SAFETY_WAKE_MS);
    }
}

int heldModifierKeys() {
    Display* connection = display();
    if (connection == nullptr) {
        return 0;
    }
    Window root = 0, child = 0;
    int rootX = 0, rootY = 0, x = 0, y = 0;
    unsigned int mask = 0;
    if (!XQueryPointer(connection, DefaultRootWindow(connection), &root, &child, &rootX, &rootY, &x,
                       &y, &mask)) {
        return 0;
    }
    int held = 0;
    if (mask & ShiftMask)
        held |= GLUT_ACTIVE_SHIFT;
    if (mask & ControlMask)
        held |= GLUT_ACTIVE_CTRL;
    if (mask & Mod1Mask)
        held |= GLUT_ACTIVE_ALT;
    return held;
}

void discardQueuedInput() {
    Display* connection = display();
    if (connection == nullptr) {
        return;
    }
    XSync(connection, False);
    XEvent event;
    const long inputMask = KeyPressMask | KeyReleaseMask | ButtonPressMask | ButtonReleaseMask |
                           PointerMotionMask | ButtonMotionMask;
    while (XCheckMaskEvent(connection, inputMask, &event)) {
    }
    while (XCheckTypedEvent(connection, GenericEvent, &event)) {
        XFreeEventData(connection, &event.xcookie);
    }
}
