#pragma once

#include "scene/matrix.h"

// Arcball rotation, free of any window: points are in the ball's unit coordinates (x right, y up,
// the rim at distance 1 from the centre).

struct BallPoint {
    double x = 0, y = 0, z = 0;
};

// The point on the unit sphere under (x, y): on the front half inside the rim, on the rim itself
// outside it.
BallPoint ballPoint(float x, float y);
// The rotation that carries the sphere point under `from` to the one under `to`, so that the
// ball follows the pointer: a drag from the centre to the rim turns it by 90 degrees about the
// axis in the screen plane perpendicular to the drag.
Matrix4 arcballRotation(float fromX, float fromY, float toX, float toY);
// Turns the 3x3 part of m back into an exact rotation (Gram-Schmidt on its columns), so rounding
// cannot build up into shear or scale over many drags. The rest of m becomes that of the
// identity.
void orthonormalise(Matrix4& m);
// a * b, column-major, each product summed in double precision.
Matrix4 multiplyRotations(const Matrix4& a, const Matrix4& b);
