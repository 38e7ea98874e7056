#pragma once

#include <cstdint>

#include "scene/matrix.h"

struct Mesh;

// One placed instance of a Mesh. Drawn under transform * pendingRotation.
struct SceneObject {
    bool selected = false;
    int32_t index = 0;                           // position in the Scene's objects list
    Mesh* mesh = nullptr;                        // not owned
    Matrix4 pendingRotation = identityMatrix();  // the Rotation control's value while selected
    Matrix4 transform = identityMatrix();        // the placement that scene files store

    explicit SceneObject(Mesh* model) : mesh(model) {}
    SceneObject(const SceneObject&) = delete;
    SceneObject& operator=(const SceneObject&) = delete;

    // World side (pre-multiplies transform): along the world axes, about the world origin.
    void translateObject(float x, float y, float z);
    void scaleObjectWorld(float x, float y, float z);
    void rotateObjectWorld(float a, float b, float c);
    // Object side (post-multiplies transform): along the object's axes, about its own origin.
    void scaleObjectLocal(float x, float y, float z);
    void rotateObjectLocal(float a, float b, float c);
    // transform := transform * pendingRotation; pendingRotation := identity.
    void foldPendingRotation();
    // Whether transform, pendingRotation and their product hold only finite numbers, as a scene
    // file must.
    bool finitePlacement() const;
};
