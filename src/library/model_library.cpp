// Placeholder until the model reader is written.
#include "scene/scene.h"

bool Mesh::loadModel() { return false; }
void Scene::loadModelLibrary() {}
