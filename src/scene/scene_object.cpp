#include "scene/scene_object.h"

#include <cmath>

namespace {

bool allFinite(const Matrix4& m) {
    for (float element : m) {
        if (!std::isfinite(element)) {
            return false;
        }
    }
    return true;
}

// Rotation about coordinate axis 0 (x), 1 (y) or 2 (z), as glRotatef(degrees, unit axis).
Matrix4 axisRotation(int axis, float degrees) {
    return rotationMatrix(degrees, axis == 0 ? 1.0f : 0.0f, axis == 1 ? 1.0f : 0.0f,
                          axis == 2 ? 1.0f : 0.0f);
}

}  // namespace

void SceneObject::translateObject(float x, float y, float z) {
    transform = multiply(translationMatrix(x, y, z), transform);
}

void SceneObject::scaleObjectWorld(float x, float y, float z) {
    transform = multiply(scaleMatrix(x, y, z), transform);
}

void SceneObject::rotateObjectWorld(float a, float b, float c) {
    // Rx(a) * Ry(b) * Rz(c) is multiplied up first, as successive glRotatef calls on a fresh
    // identity would, and only then put in front of transform. A zero angle contributes no
    // factor at all, so three zeros leave transform untouched.
    const float angles[3] = {a, b, c};
    Matrix4 rotation;
    bool any = false;
    for (int axis = 0; axis < 3; ++axis) {
        if (angles[axis] != 0.0f) {
            const Matrix4 factor = axisRotation(axis, angles[axis]);
            rotation = any ? multiply(rotation, factor) : factor;
            any = true;
        }
    }
    if (any) {
        transform = multiply(rotation, transform);
    }
}

void SceneObject::scaleObjectLocal(float x, float y, float z) {
    transform = multiply(transform, scaleMatrix(x, y, z));
}

void SceneObject::rotateObjectLocal(float a, float b, float c) {
    // The factors go onto transform one at a time, as successive glRotatef calls on the loaded
    // transform would, so the rounding matches the stack's.
    const float angles[3] = {a, b, c};
    for (int axis = 0; axis < 3; ++axis) {
        if (angles[axis] != 0.0f) {
            transform = multiply(transform, axisRotation(axis, angles[axis]));
        }
    }
}

void SceneObject::foldPendingRotation() {
    // Multiplying by the identity would still turn -0 entries into +0: skip it, so that an object
    // whose Rotation control was never moved keeps its transform bit for bit.
    if (pendingRotation != identityMatrix()) {
        transform = multiply(transform, pendingRotation);
    }
    setIdentity(pendingRotation);
}

bool SceneObject::finitePlacement() const {
    return allFinite(transform) && allFinite(pendingRotation) &&
           allFinite(multiply(transform, pendingRotation));
}
