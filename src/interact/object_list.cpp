#include "interact/object_list.h"

#include <algorithm>
#include <utility>

#include "edit/status_line.h"
#include "interact/pick_rules.h"
#include "scene/mesh.h"
#include "scene/scene.h"

ObjectRowText objectRowText(const SceneObject& object) {
    const Mesh* mesh = object.mesh;
    return {std::to_string(static_cast<long long>(object.index) + 1),
            mesh != nullptr ? mesh->name : std::string(),
            groupedNumber(mesh != nullptr ? mesh->coordIndex.size() : 0)};
}

namespace {

// Appends the object without a commit of its own: callers commit once for the whole change, so
// that selecting many objects stays linear in their number.
void appendToSelection(Scene& scene, SceneObject& object) {
    if (!object.selected) {
        object.selected = true;
        scene.selection.push_back(&object);
    }
}

void takeOutOfSelection(Scene& scene, SceneObject& object) {
    scene.commitSelection();
    object.selected = false;
    std::erase(scene.selection, &object);
}

void selectRange(Scene& scene, size_t from, size_t to, bool add) {
    if (add) {
        scene.commitSelection();
    } else {
        scene.clearSelection();
    }
    for (size_t i = std::min(from, to); i <= std::max(from, to); ++i) {
        appendToSelection(scene, *scene.objects[i]);
    }
}

}  // namespace

void clickObjectRow(Scene& scene, size_t position, int modifiers, size_t& anchor) {
    if (position >= scene.objects.size()) {
        return;
    }
    const bool shift = (modifiers & MOD_SHIFT) != 0, ctrl = (modifiers & MOD_CTRL) != 0;
    if (shift) {
        const size_t from = anchor < scene.objects.size() ? anchor : position;
        selectRange(scene, from, position, ctrl);
        return;
    }
    anchor = position;
    SceneObject& object = *scene.objects[position];
    if (!ctrl) {
        // As a plain click on the object in a view.
        scene.clearSelection();
        scene.selectObject(static_cast<int>(position));
    } else if (object.selected) {
        takeOutOfSelection(scene, object);
    } else {
        scene.selectObject(static_cast<int>(position));  // as a Ctrl-click in a view
    }
}

void selectAllObjects(Scene& scene) {
    scene.commitSelection();
    for (const auto& object : scene.objects) {
        appendToSelection(scene, *object);
    }
}

void selectNoObjects(Scene& scene) {
    scene.clearSelection();
}
