#pragma once

#include "scene/scene_object.h"

struct Scene;

// One of the SceneObject edits by three amounts along X, Y and Z: a move, a scale or a turn, on
// the world side or the object side.
using ObjectEdit = void (SceneObject::*)(float x, float y, float z);

// Applies the edit to every selected object, in selection order. When any object's placement
// would not stay finite (an object scaled up without end), no object is changed, the Scene's
// refusedEdits grows and the result is false.
bool editSelection(Scene& scene, ObjectEdit edit, float x, float y, float z);

// The Rotation control's value becomes every selected object's pending rotation, under the same
// rule.
bool setPendingRotation(Scene& scene, const Matrix4& rotation);
