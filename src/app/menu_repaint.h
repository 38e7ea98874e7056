#pragma once

// freeglut creates every menu window at 300 by 300 pixels and gives it its real size when it is
// first shown. The software rasteriser draws the first frame after a resize at the old size, so a
// menu shown for the first time stays black, or shows a wrong slice, until the pointer moves over
// it and freeglut draws it again. While a menu is open, every menu window that has just appeared
// or changed size is therefore asked to draw once more.

// The glutMenuStatusFunc callback: whether a menu is open.
void menuStatusChanged(int status, int x, int y);
// Called after every pass of the event loop.
void repaintNewlyShownMenus();
