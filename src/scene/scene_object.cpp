// Placeholder until the object matrix operations are written.
#include "scene/scene_object.h"

void SceneObject::translateObject(float, float, float) {}
void SceneObject::scaleObjectWorld(float, float, float) {}
void SceneObject::rotateObjectWorld(float, float, float) {}
void SceneObject::scaleObjectLocal(float, float, float) {}
void SceneObject::rotateObjectLocal(float, float, float) {}
void SceneObject::foldPendingRotation() {}
