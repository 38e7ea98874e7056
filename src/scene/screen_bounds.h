#pragma once

// Whether geometry inside a model-space box can reach given pixels, for skipping what the pick
// pass would not draw under the cursor anyway. Conservative: when in doubt, the answer is yes.
// No GL here.

#include "scene/mesh_arrays.h"

// A 4x4 matrix in double precision, column-major like GL's.
using Matrix4d = double[16];

void multiply4d(const Matrix4d a, const Matrix4d b, Matrix4d out);

// Pixels x0 <= x < x1, y0 <= y < y1 in GL window coordinates (origin bottom left).
struct PixelRect {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};

// Whether anything drawn inside `box`, mapped by `clip` (projection * model-view * object) and
// the viewport (x, y, width, height), can produce a fragment in `pixels`, given that no fragment
// lies farther than `margin` pixels from the projected geometry. Boxes that reach behind the
// eye, and anything not finite, may.
bool boxMayTouch(const Matrix4d clip, const Box3& box, const int viewport[4],
                 const PixelRect& pixels, double margin);
