#include "interact/selection_edit.h"

#include <vector>

#include "scene/scene.h"

namespace {

struct Placement {
    Matrix4 transform;
    Matrix4 pendingRotation;
};

// Every selected object's placement as `change` would leave it, or nothing when one of them would
// not be finite; each is computed exactly as on the object itself.
template <typename Change>
bool trySelection(Scene& scene, const Change& change) {
    std::vector<Placement> results;
    results.reserve(scene.selection.size());
    for (const SceneObject* object : scene.selection) {
        SceneObject trial(object->mesh);
        trial.transform = object->transform;
        trial.pendingRotation = object->pendingRotation;
        change(trial);
        if (!trial.finitePlacement()) {
            ++scene.refusedEdits;
            return false;
        }
        results.push_back({trial.transform, trial.pendingRotation});
    }
    for (size_t i = 0; i < results.size(); ++i) {
        scene.selection[i]->transform = results[i].transform;
        scene.selection[i]->pendingRotation = results[i].pendingRotation;
    }
    return true;
}

}  // namespace

bool editSelection(Scene& scene, ObjectEdit edit, float x, float y, float z) {
    return trySelection(scene, [&](SceneObject& object) { (object.*edit)(x, y, z); });
}

bool setPendingRotation(Scene& scene, const Matrix4& rotation) {
    return trySelection(scene, [&](SceneObject& object) { object.pendingRotation = rotation; });
}
