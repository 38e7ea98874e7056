#pragma once

#include <memory>

#include "interact/edit_mode.h"
#include "scene/mesh.h"
#include "scene/scene.h"
#include "view/view.h"

// A Scene with `count` objects of one empty Mesh, and a View of it looking along `axis` that
// follows `editMode`.
struct InteractFixture {
    Scene scene;
    int32_t editMode = Select;
    View view{&scene, &editMode};

    explicit InteractFixture(int count = 3, int axis = 2, bool perspective = false) {
        scene.models.push_back(std::make_unique<Mesh>("box.wrl"));
        for (int i = 0; i < count; ++i) {
            scene.addInstance(0);
        }
        view.camera.axis = axis;
        view.camera.perspective = perspective;
        view.camera.home();
    }

    SceneObject& object(int position) { return *scene.objects[position]; }
};

inline Matrix4 translation(float x, float y, float z) {
    Matrix4 m = identityMatrix();
    m[12] = x;
    m[13] = y;
    m[14] = z;
    return m;
}
