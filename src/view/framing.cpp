#include "view/framing.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <optional>

namespace {

// Framing scales stay where single precision can still invert and compose them.
constexpr double MIN_SCALE = 1e-30;
constexpr double MAX_SCALE = 1e30;
// Along each axis, a box smaller than this share of its distance from the origin is not resolved
// by single precision coordinates there: it is framed at that size.
constexpr double RESOLVED_SHARE = 1e-6;
// The nearest framed point stays this far in front of the perspective eye (framed units, as the
// eye's distance is): well clear of the near plane at 0.1.
constexpr double NEAR_CLEARANCE = 0.5;
// Orthographic depth range: the unframed one, or the box's depth with this much room to spare.
constexpr double UNFRAMED_DEPTH = 200;
constexpr double DEPTH_ROOM = 1.1;

struct CentredBox {
    double centre[3] = {0, 0, 0};
    double half[3] = {0, 0, 0};
};

std::optional<CentredBox> centredBox(const Box3& world) {
    if (world.empty()) {
        return std::nullopt;
    }
    CentredBox box;
    bool extent = false;
    for (int i = 0; i < 3; ++i) {
        // Halves first: the sum of two large coordinates could overflow.
        box.centre[i] = world.lo[i] / 2 + world.hi[i] / 2;
        box.half[i] = world.hi[i] / 2 - world.lo[i] / 2;
        if (!std::isfinite(box.centre[i]) || !(box.half[i] >= 0)) {
            return std::nullopt;
        }
        const double farthest = std::max(std::fabs(world.lo[i]), std::fabs(world.hi[i]));
        box.half[i] = std::max(box.half[i], RESOLVED_SHARE * farthest);
        extent = extent || box.half[i] > 0;
    }
    if (!extent) {
        // A single point at the origin: show one unit around it.
        std::fill(std::begin(box.half), std::end(box.half), 1.0);
    }
    return box;
}

double clampedScale(double scale) {
    return scale >= MIN_SCALE ? std::min(scale, MAX_SCALE) : MIN_SCALE;  // NaN too
}

void setFraming(Camera& camera, const CentredBox& box, double scale) {
    camera.framing.active = true;
    camera.framing.centre = {static_cast<float>(box.centre[0]), static_cast<float>(box.centre[1]),
                             static_cast<float>(box.centre[2])};
    camera.framing.scale = static_cast<float>(clampedScale(scale));
}

void frameOrthographic(Camera& camera, const CentredBox& box) {
    // The world axes shown to the right, upwards and in depth (see Camera::apply).
    static const int AXES[3][3] = {{2, 1, 0}, {0, 2, 1}, {0, 1, 2}};
    const int* axes = AXES[camera.axis == 0 ? 0 : camera.axis == 1 ? 1 : 2];
    double half = std::max(box.half[axes[0]], box.half[axes[1]]);
    if (half <= 0) {
        // Seen end-on: keep the scale of its length.
        half = box.half[axes[2]];
    }
    setFraming(camera, box, half / (camera.orthoHalfSize() * FRAME_FILL));
    const double depth = box.half[axes[2]] / camera.framing.scale * DEPTH_ROOM;
    camera.framing.depthHalf =
        static_cast<float>(std::clamp(depth, UNFRAMED_DEPTH, static_cast<double>(MAX_SCALE)));
}

struct Direction {
    double x = 0, y = 0, z = 0;
    double dot(const Direction& o) const { return x * o.x + y * o.y + z * o.z; }
    Direction cross(const Direction& o) const {
        return {y * o.z - z * o.y, z * o.x - x * o.z, x * o.y - y * o.x};
    }
    Direction unit() const {
        const double length = std::sqrt(dot(*this));
        return length > 0 ? Direction{x / length, y / length, z / length} : *this;
    }
};

// A box corner's offset from the centre turned by the orbit, as glRotatef(rotX, 1, 0, 0) then
// glRotatef(rotY, 0, 1, 0) turn it.
Direction orbited(const Camera& camera, Direction d) {
    const double toRadians = M_PI / 180;
    const double cy = std::cos(camera.rotY * toRadians), sy = std::sin(camera.rotY * toRadians);
    const double cx = std::cos(camera.rotX * toRadians), sx = std::sin(camera.rotX * toRadians);
    d = {cy * d.x + sy * d.z, d.y, -sy * d.x + cy * d.z};
    return {d.x, cx * d.y - sx * d.z, sx * d.y + cx * d.z};
}

void framePerspective(Camera& camera, const CentredBox& box, double aspect) {
    // The look-at from the home eye: it looks through the origin, where the box's centre goes.
    const Direction eye{camera.eye.x, camera.eye.y, camera.eye.z};
    const Direction forward =
        Direction{camera.centre.x - eye.x, camera.centre.y - eye.y, camera.centre.z - eye.z}.unit();
    const Direction right = forward.cross({camera.up.x, camera.up.y, camera.up.z}).unit();
    const Direction up = right.cross(forward);
    const double distance = -forward.dot(eye);

    const double tanY = std::tan(PERSPECTIVE_FIELD_OF_VIEW / 2 * M_PI / 180);
    const double tanX = tanY * (aspect > 0 && aspect < 1 ? aspect : 1);
    double scale = 0;
    for (int corner = 0; corner < 8; ++corner) {
        const Direction offset{(corner & 1) ? box.half[0] : -box.half[0],
                               (corner & 2) ? box.half[1] : -box.half[1],
                               (corner & 4) ? box.half[2] : -box.half[2]};
        const Direction q = orbited(camera, offset);
        // In eye space at scale s the corner lies at (x, y, toward) / s, `distance` ahead.
        const double x = right.dot(q), y = up.dot(q), toward = -forward.dot(q);
        const double sideways = std::max(std::fabs(x) / tanX, std::fabs(y) / tanY) / FRAME_FILL;
        scale =
            std::max({scale, (toward + sideways) / distance, toward / (distance - NEAR_CLEARANCE)});
    }
    setFraming(camera, box, scale);
}

}  // namespace

void frameCamera(Camera& camera, const Box3& world, double aspect) {
    const int32_t rotX = camera.rotX;
    const int32_t rotY = camera.rotY;
    camera.reset();
    const std::optional<CentredBox> box = centredBox(world);
    if (!box) {
        return;
    }
    if (camera.perspective) {
        camera.rotX = rotX;
        camera.rotY = rotY;
        framePerspective(camera, *box, aspect);
    } else {
        frameOrthographic(camera, *box);
    }
}
