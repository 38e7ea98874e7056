#include "app/press_log.h"

#include <algorithm>
#include <cstdlib>

void PressLog::note(const NotedPress& press) {
    if (presses.size() >= CAPACITY) {
        presses.erase(presses.begin(), presses.begin() + (presses.size() - CAPACITY + 1));
    }
    presses.push_back(press);
}

std::optional<int> PressLog::takeHandled(unsigned long firstStillQueued, unsigned long window,
                                         int button, int x, int y) {
    const auto handled = std::find_if(presses.begin(), presses.end(), [&](const NotedPress& press) {
        return press.queuePosition >= firstStillQueued;
    });
    std::optional<int> modifiers;
    for (auto it = handled; it != presses.begin();) {
        --it;
        // GLUT passes the X library's coordinates on; a pixel of slack covers any rounding.
        if ((window == 0 || it->window == window) && it->button == button &&
            std::abs(it->x - x) <= 1 && std::abs(it->y - y) <= 1) {
            modifiers = it->modifiers;
            break;
        }
    }
    presses.erase(presses.begin(), handled);
    return modifiers;
}
