#pragma once

// Where placed objects lie in the world, for fitting the cameras to them. No GL here.

#include "scene/mesh_arrays.h"

struct Scene;
struct SceneObject;

// The world box around the points that the object's drawn triangles use, placed by
// transform * pendingRotation as the drawing passes place them. Points that are not finite, or
// that the placement carries beyond single precision, draw nothing and are left out; an object
// with no such point (no triangles, an empty Mesh) gives an empty box. A placement with a
// projective part (a scene file may hold any matrix) is divided through.
Box3 objectWorldBounds(const SceneObject& object);
// The box around every object's world box; empty when no object has one.
Box3 sceneWorldBounds(const Scene& scene);
