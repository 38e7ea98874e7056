#pragma once

#include "interact/pick_rules.h"

struct Scene;
struct View;

// Draws the View's pick image into the back buffer, limited to the one pixel under (x, y) in GLUT
// window coordinates, and reads that pixel back. Every GL setting it changes is put back. A click
// outside the viewport, or a colour buffer too shallow for the codes, reads as nothing hit.
// `drawPickPass` stands in for the Scene's own pick pass where given (the benchmarks compare
// passes with it).
PickPixel renderPickPixel(const View& view, int x, int y,
                          void (*drawPickPass)(const Scene&) = nullptr);
