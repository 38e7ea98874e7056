#include "scene/screen_bounds.h"

#include <cmath>

void multiply4d(const Matrix4d a, const Matrix4d b, Matrix4d out) {
    for (int c = 0; c < 4; ++c) {
        for (int r = 0; r < 4; ++r) {
            double sum = 0;
            for (int k = 0; k < 4; ++k) {
                sum += a[4 * k + r] * b[4 * c + k];
            }
            out[4 * c + r] = sum;
        }
    }
}

bool boxMayTouch(const Matrix4d clip, const Box3& box, const int viewport[4],
                 const PixelRect& pixels, double margin) {
    if (box.empty()) {
        return false;  // no points, nothing drawn
    }
    double minX = INFINITY, minY = INFINITY, maxX = -INFINITY, maxY = -INFINITY;
    for (int corner = 0; corner < 8; ++corner) {
        const double p[3] = {(corner & 1) ? box.hi[0] : box.lo[0],
                             (corner & 2) ? box.hi[1] : box.lo[1],
                             (corner & 4) ? box.hi[2] : box.lo[2]};
        double q[4];
        for (int r = 0; r < 4; ++r) {
            q[r] = clip[r] * p[0] + clip[4 + r] * p[1] + clip[8 + r] * p[2] + clip[12 + r];
        }
        // w is linear over the box: positive at every corner means positive everywhere in it,
        // and the box then projects inside the rectangle around its projected corners.
        if (!(q[3] > 1e-9) || !std::isfinite(q[3])) {
            return true;
        }
        const double x = viewport[0] + (q[0] / q[3] + 1) * 0.5 * viewport[2];
        const double y = viewport[1] + (q[1] / q[3] + 1) * 0.5 * viewport[3];
        if (!std::isfinite(x) || !std::isfinite(y)) {
            return true;
        }
        minX = std::fmin(minX, x);
        maxX = std::fmax(maxX, x);
        minY = std::fmin(minY, y);
        maxY = std::fmax(maxY, y);
    }
    return maxX + margin >= pixels.x0 && minX - margin <= pixels.x1 && maxY + margin >= pixels.y0 &&
           minY - margin <= pixels.y1;
}
