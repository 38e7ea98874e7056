#include "interact/selection_edit.h"

#include "scene/scene.h"

void editSelection(Scene& scene, ObjectEdit edit, float x, float y, float z) {
    for (SceneObject* object : scene.selection) {
        (object->*edit)(x, y, z);
    }
}
