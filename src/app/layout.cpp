#include "app/layout.h"

#include <GL/freeglut.h>

#include <algorithm>

#include "app/globals.h"

std::array<ViewRect, 4> layoutViews(int width, int height) {
    const int vw = std::max(1, static_cast<int>((width - 3 * BORDER - PANEL_WIDTH) * 0.5));
    const int vh = std::max(1, static_cast<int>((height - 3 * BORDER) * 0.5));
    return {{
        {BORDER, BORDER, vw, vh},
        {vw + 2 * BORDER, BORDER, vw, vh},
        {BORDER, height - BORDER - vh, vw, vh},
        {vw + 2 * BORDER, height - BORDER - vh, vw, vh},
    }};
}

void reshapeMain(int width, int height) {
    if (height == 0) {
        return;
    }
    const std::array<ViewRect, 4> rects = layoutViews(width, height);
    for (int i = 0; i < 4; ++i) {
        View& view = *allViews[i];
        glutSetWindow(view.window);
        glutPositionWindow(rects[i].x, rects[i].y);
        glutReshapeWindow(rects[i].width, rects[i].height);
        setProjection(rects[i].width, rects[i].height, view.camera.perspective);
        // The software rasteriser draws the first frame after a resize at the old size.
        glutPostRedisplay();
    }
}
