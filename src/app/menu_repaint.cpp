#include "app/menu_repaint.h"

#include <GL/freeglut.h>
#include <GL/glx.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <vector>

namespace {

struct MenuWindow {
    Window window = 0;
    int width = 0;
    int height = 0;
    bool operator==(const MenuWindow&) const = default;
};

bool menuOpen = false;
// Menu windows as seen after the previous pass.
std::vector<MenuWindow> drawnMenus;
// Menu windows that appeared or changed size in the previous pass. freeglut handles their
// configure and expose events in the pass after, and a redraw in that same pass still comes out
// at the old size (measured): the redraw that shows them right is asked for one pass later.
std::vector<MenuWindow> awaitingRedraw;
// The menu windows on screen. An open menu and its sub-menus are raised above every other window
// of the program, so the walk down the stacking order ends at the first ordinary window shown.
std::vector<MenuWindow> shownMenuWindows(Display* display) {
    std::vector<MenuWindow> result;
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count)) {
        return result;
    }
    for (unsigned i = count; i-- > 0;) {
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(display, children[i], &attributes) ||
            attributes.map_state != IsViewable) {
            continue;
        }
        if (!attributes.override_redirect) {
            break;
        }
        result.push_back({children[i], attributes.width, attributes.height});
    }
    if (children != nullptr) {
        XFree(children);
    }
    return result;
}

// freeglut redraws a window on Expose.
void askToRedraw(Display* display, const MenuWindow& menu) {
    XEvent event{};
    event.xexpose.type = Expose;
    event.xexpose.display = display;
    event.xexpose.window = menu.window;
    event.xexpose.width = menu.width;
    event.xexpose.height = menu.height;
    XSendEvent(display, menu.window, False, ExposureMask, &event);
}

}  // namespace

void menuStatusChanged(int status, int, int) {
    menuOpen = status == GLUT_MENU_IN_USE;
    drawnMenus.clear();
    awaitingRedraw.clear();
}

void repaintNewlyShownMenus() {
    Display* display = glXGetCurrentDisplay();
    if (!menuOpen || display == nullptr) {
        return;
    }
    const std::vector<MenuWindow> shown = shownMenuWindows(display);
    bool asked = false;
    for (const MenuWindow& menu : awaitingRedraw) {
        if (std::find(shown.begin(), shown.end(), menu) != shown.end()) {
            askToRedraw(display, menu);
            asked = true;
        }
    }
    awaitingRedraw.clear();
    for (const MenuWindow& menu : shown) {
        if (std::find(drawnMenus.begin(), drawnMenus.end(), menu) == drawnMenus.end()) {
            awaitingRedraw.push_back(menu);
        }
    }
    drawnMenus = shown;
    if (!awaitingRedraw.empty()) {
        XSync(display, False);  // their events are queued: the next pass follows at once
    } else if (asked) {
        XFlush(display);
    }
}
