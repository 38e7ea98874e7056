#pragma once

#include "support/harness.h"

// Where the panel's controls sit, relative to the panel window's top-left corner. They follow
// from the panel's style (13-pixel font, 6-pixel padding, 19-pixel frames 4 pixels apart).
struct PanelSpots {
    ScreenRect panel;
    Point at(int x, int y) const { return {panel.x + x, panel.y + y}; }
    Point button(int i) const { return at(82, 15 + 23 * i); }  // New, Reset View, Open, Save, Quit
    Point addList() const { return at(105, 134); }
    Point addListItem(int i) const { return at(90, 156 + 18 * i); }  // once the list is open
    Point lighting() const { return at(15, 162); }
    Point translateX() const { return at(26, 291); }
    // "Frame All" and "Objects" share the row below the Rotation ball.
    Point frameAll() const { return at(42, 525); }
    Point objects() const { return at(121, 525); }
    // Undo and Redo share the row below "Frame All", which is below Rotation.
    ScreenRect undo() const { return {panel.x + 6, panel.y + 538, 73, 19}; }
    ScreenRect redo() const { return {panel.x + 85, panel.y + 538, 73, 19}; }
    // The status line's two rows of text at the bottom.
    ScreenRect statusLine() const {
        return {panel.x + 6, panel.y + panel.height - 32, panel.width - 12, 26};
    }
};
