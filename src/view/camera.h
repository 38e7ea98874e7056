#pragma once

#include <cstdint>

#include "scene/vec.h"

// What "Frame All" sets on a camera: the world is seen moved by -centre and shrunk by 1/scale,
// so that pan, zoom, dolly and orbit act on the framed picture just as they act unframed (the
// orbit then turns about centre). Inactive, the camera is exactly the unframed one.
struct Framing {
    bool active = false;
    Vec3 centre{0, 0, 0};
    float scale = 1;        // world units per framed unit
    float depthHalf = 200;  // orthographic depth range, +- this many framed units
};

// The camera of one View. Orthographic cameras look along a world axis; the perspective camera
// looks from eye toward centre and orbits with rotX and rotY.
// The axis a camera looks along.
constexpr int32_t AXIS_X = 0;
constexpr int32_t AXIS_Y = 1;
constexpr int32_t AXIS_Z = 2;

struct Camera {
    bool perspective = false;
    Vec3 eye{0, 0, 0};
    Vec3 centre{0, 0, 0};  // also the dolly direction
    Vec3 up{0, 1, 0};
    int32_t axis = AXIS_Z;  // the axis it looks along
    int32_t rotX = 0;
    int32_t rotY = 0;
    float panX = 0;
    float panY = 0;
    float zoom = 0;
    Framing framing;  // off until "Frame All"; reset() turns it off

    void home();
    void reset();
    // Sets up projection (orthographic only) and model-view for drawing or picking; leaves the
    // model-view matrix current.
    void apply() const;
    void pan(float dx, float dy);
    void orbit(int dx, int dy);
    void zoomBy(float amount);

    // Half-size of the orthographic view box for the current zoom; never below ORTHO_MIN_HALF.
    // In framed units when framed.
    float orthoHalfSize() const;
};

// The orthographic box never becomes empty or inverted: zooming in stops at this half-size.
constexpr float ORTHO_MIN_HALF = 0.01f;
// The perspective eye stops this far short of centre when dollying forward.
constexpr float EYE_MIN_DISTANCE = 0.05f;
