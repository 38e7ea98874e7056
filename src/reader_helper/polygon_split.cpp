#include "reader_helper/polygon_split.h"

#include <cmath>

namespace coin_reading {

namespace {

struct Point2 {
    double u = 0, v = 0;
};

// Twice the signed area of a b c: positive when they turn counter-clockwise.
double turn(const Point2& a, const Point2& b, const Point2& c) {
    return (b.u - a.u) * (c.v - a.v) - (b.v - a.v) * (c.u - a.u);
}

// p inside or on the edges of the counter-clockwise triangle a b c.
bool inTriangle(const Point2& p, const Point2& a, const Point2& b, const Point2& c) {
    return turn(a, b, p) >= 0 && turn(b, c, p) >= 0 && turn(c, a, p) >= 0;
}

// The corners projected onto the polygon's plane, in a frame that makes the polygon turn
// counter-clockwise. False for a polygon without area.
bool project(std::span<const Vec3d> corners, std::vector<Point2>& flat) {
    // Newell's normal: robust for non-convex polygons, and its direction follows the winding.
    double nx = 0, ny = 0, nz = 0;
    for (size_t i = 0; i < corners.size(); ++i) {
        const Vec3d& a = corners[i];
        const Vec3d& b = corners[(i + 1) % corners.size()];
        nx += (a.y - b.y) * (a.z + b.z);
        ny += (a.z - b.z) * (a.x + b.x);
        nz += (a.x - b.x) * (a.y + b.y);
    }
    const double length = std::sqrt(nx * nx + ny * ny + nz * nz);
    if (!(length > 0) || !std::isfinite(length)) {
        return false;
    }
    nx /= length;
    ny /= length;
    nz /= length;
    // u: any direction across the normal; v = n x u, so that (u, v, n) is right-handed.
    double ux = 0, uy = 0, uz = 0;
    if (std::fabs(nx) < 0.9) {
        ux = 0, uy = nz, uz = -ny;  // n x (1, 0, 0)
    } else {
        ux = -nz, uy = 0, uz = nx;  // n x (0, 1, 0)
    }
    const double ul = std::sqrt(ux * ux + uy * uy + uz * uz);
    ux /= ul;
    uy /= ul;
    uz /= ul;
    const double vx = ny * uz - nz * uy, vy = nz * ux - nx * uz, vz = nx * uy - ny * ux;
    flat.resize(corners.size());
    for (size_t i = 0; i < corners.size(); ++i) {
        const Vec3d& p = corners[i];
        flat[i] = {p.x * ux + p.y * uy + p.z * uz, p.x * vx + p.y * vy + p.z * vz};
    }
    return true;
}

void fan(std::span<const uint32_t> left, std::vector<std::array<uint32_t, 3>>& out) {
    for (size_t i = 1; i + 1 < left.size(); ++i) {
        out.push_back({left[0], left[i], left[i + 1]});
    }
}

}  // namespace

void splitPolygon(std::span<const Vec3d> corners, std::vector<std::array<uint32_t, 3>>& out) {
    std::vector<uint32_t> left(corners.size());
    for (size_t i = 0; i < left.size(); ++i) {
        left[i] = static_cast<uint32_t>(i);
    }
    std::vector<Point2> flat;
    if (corners.size() < 4 || corners.size() > MAX_CLIPPED_CORNERS || !project(corners, flat)) {
        fan(left, out);
        return;
    }
    size_t at = 0;    // where the search for the next ear starts
    size_t miss = 0;  // corners tried since the last ear
    while (left.size() > 3) {
        const size_t n = left.size();
        if (miss >= n) {
            break;  // no ear anywhere: the outline crosses itself or has no area left
        }
        const size_t i = at % n;
        const uint32_t a = left[(i + n - 1) % n], b = left[i], c = left[(i + 1) % n];
        bool ear = turn(flat[a], flat[b], flat[c]) > 0;
        for (size_t k = 0; ear && k < n; ++k) {
            const uint32_t p = left[k];
            if (p == a || p == b || p == c) {
                continue;
            }
            const Point2& q = flat[p];
            const bool sameAsCorner = (q.u == flat[a].u && q.v == flat[a].v) ||
                                      (q.u == flat[b].u && q.v == flat[b].v) ||
                                      (q.u == flat[c].u && q.v == flat[c].v);
            ear = sameAsCorner || !inTriangle(q, flat[a], flat[b], flat[c]);
        }
        if (!ear) {
            ++at;
            ++miss;
            continue;
        }
        out.push_back({a, b, c});
        left.erase(left.begin() + static_cast<std::ptrdiff_t>(i));
        at = i == 0 ? 0 : i - 1;
        miss = 0;
    }
    fan(left, out);
}

}  // namespace coin_reading
