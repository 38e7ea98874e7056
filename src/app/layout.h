#pragma once

#include <array>

#include "panel/panel.h"

constexpr int BORDER = 5;
// What the views leave at the right edge: the panel's window and a border beside it.
constexpr int PANEL_WIDTH = PANEL_WINDOW_WIDTH + BORDER;

struct ViewRect {
    int x = 0, y = 0, width = 0, height = 0;
    bool operator==(const ViewRect&) const = default;
};

// Places of the side, front, top and perspective views (in that order) in a main window of the
// given size: a 2 by 2 grid left of the panel. Views are never narrower or lower than 1 pixel.
std::array<ViewRect, 4> layoutViews(int width, int height);

// The main window's reshape: lays out the four view sub-windows. A height of 0 (minimised) changes
// nothing.
void reshapeMain(int width, int height);
