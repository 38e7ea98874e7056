#pragma once

#include <cstdint>

#include "scene/vec.h"

// The camera of one View. Orthographic cameras look along a world axis; the perspective camera
// looks from eye toward centre and orbits with rotX and rotY.
struct Camera {
    bool perspective = false;
    Vec3 eye{0, 0, 0};
    Vec3 centre{0, 0, 0};  // also the dolly direction
    Vec3 up{0, 1, 0};
    int32_t axis = 2;  // 0: looks along X, 1: along Y, 2: along Z
    int32_t rotX = 0;
    int32_t rotY = 0;
    float panX = 0;
    float panY = 0;
    float zoom = 0;

    void home();
    void reset();
    // Sets up projection (orthographic only) and model-view for drawing or picking; leaves the
    // model-view matrix current.
    void apply() const;
    void pan(float dx, float dy);
    void orbit(int dx, int dy);
    void zoomBy(float amount);

    // Half-size of the orthographic view box for the current zoom; never below ORTHO_MIN_HALF.
    float orthoHalfSize() const;
};

// The orthographic box never becomes empty or inverted: zooming in stops at this half-size.
constexpr float ORTHO_MIN_HALF = 0.01f;
// The perspective eye stops this far short of centre when dollying forward.
constexpr float EYE_MIN_DISTANCE = 0.05f;
