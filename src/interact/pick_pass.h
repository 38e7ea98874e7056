#pragma once

#include "interact/pick_rules.h"

struct View;

// Draws the View's pick image into the back buffer, limited to the one pixel under (x, y) in GLUT
// window coordinates, and reads that pixel back. Every GL setting it changes is put back. A click
// outside the viewport, or a colour buffer too shallow for the codes, reads as nothing hit.
PickPixel renderPickPixel(const View& view, int x, int y);
