#include "scene/scene.h"

#include <algorithm>

SceneObject* Scene::addInstance(int modelIndex) {
    // Callers only pass model numbers from the library; anything else adds nothing.
    if (modelIndex < 0 || static_cast<size_t>(modelIndex) >= models.size()) {
        return nullptr;
    }
    auto object = std::make_unique<SceneObject>(models[modelIndex].get());
    object->index = static_cast<int32_t>(objects.size());
    objects.push_back(std::move(object));
    return objects.back().get();
}

void Scene::selectObject(int position) {
    if (position < 0 || static_cast<size_t>(position) >= objects.size()) {
        return;
    }
    commitSelection();
    SceneObject* object = objects[position].get();
    // An object already selected stays where it is in the Selection: a second entry would make
    // every edit apply to it twice.
    if (!object->selected) {
        object->selected = true;
        selection.push_back(object);
    }
}

void Scene::commitSelection() {
    for (SceneObject* object : selection) {
        object->foldPendingRotation();
    }
    if (!selection.empty() && resetRotationControl) {
        resetRotationControl(selection.front()->pendingRotation);
    }
}

void Scene::clearSelection() {
    for (SceneObject* object : selection) {
        object->selected = false;
    }
    commitSelection();
    std::vector<SceneObject*>().swap(selection);
}

void Scene::deleteSelection() {
    // Removes exactly the objects that the Selection names, each once, whatever the Selection
    // holds; the survivors keep their order and are renumbered.
    std::vector<SceneObject*> doomed = selection;
    std::sort(doomed.begin(), doomed.end());
    std::erase_if(objects, [&doomed](const std::unique_ptr<SceneObject>& object) {
        return std::binary_search(doomed.begin(), doomed.end(), object.get());
    });
    for (size_t i = 0; i < objects.size(); ++i) {
        objects[i]->index = static_cast<int32_t>(i);
    }
    std::vector<SceneObject*>().swap(selection);
}

void Scene::removeAllObjects() {
    clearSelection();
    while (!objects.empty()) {
        objects.pop_back();
    }
}

void Scene::destroyScene() {
    while (!models.empty()) {
        models.pop_back();
    }
    while (!objects.empty()) {
        objects.pop_back();
    }
    std::vector<SceneObject*>().swap(selection);
    std::vector<std::unique_ptr<SceneObject>>().swap(objects);
    std::vector<std::unique_ptr<Mesh>>().swap(models);
}
