// Placeholder until the Scene operations are written.
#include "scene/scene.h"

SceneObject* Scene::addInstance(int) { return nullptr; }
void Scene::selectObject(int) {}
void Scene::commitSelection() {}
void Scene::clearSelection() {}
void Scene::deleteSelection() {}
void Scene::removeAllObjects() {}
void Scene::destroyScene() {}
void Scene::drawSolid() const {}
void Scene::drawWireframe() const {}
void Scene::drawPickColours() const {}
