#pragma once

#include "scene/scene_object.h"

struct Scene;

// One of the SceneObject edits by three amounts along X, Y and Z: a move, a scale or a turn, on
// the world side or the object side.
using ObjectEdit = void (SceneObject::*)(float x, float y, float z);

// Applies the edit to every selected object, in selection order.
void editSelection(Scene& scene, ObjectEdit edit, float x, float y, float z);
