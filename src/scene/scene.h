#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "scene/mesh.h"
#include "scene/scene_object.h"

// Everything the editor works on: the model library, the placed objects and the Selection.
struct Scene {
    std::vector<std::unique_ptr<Mesh>> models;          // the ModelLibrary, in folder order
    std::vector<std::unique_ptr<SceneObject>> objects;  // in creation order; index == position
    std::vector<SceneObject*> selection;                // in pick order; never holds one twice
    // How many edits were not applied because a placement would not have stayed finite; the
    // status line tells the user when it grows.
    uint64_t refusedEdits = 0;

    // Set by the control panel once it exists: puts its Rotation control back to the given
    // matrix and synchronises the panel. Empty until then.
    std::function<void(const Matrix4&)> resetRotationControl;

    Scene() = default;
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;
    ~Scene() { destroyScene(); }

    SceneObject* addInstance(int modelIndex);
    void selectObject(int position);
    void commitSelection();
    void clearSelection();
    void deleteSelection();
    void removeAllObjects();
    void destroyScene();

    // Drawing passes, in the current GL context after the camera is set up.
    void drawSolid() const;
    void drawWireframe() const;
    void drawPickColours() const;
};

// Pick codes: position i is drawn as the 24-bit colour (i & 255, (i >> 8) & 255, (i >> 16) & 255);
// white means nothing was hit.
struct PickColour {
    unsigned char red = 255, green = 255, blue = 255;
};
inline PickColour pickColour(size_t position) {
    return {static_cast<unsigned char>(position & 255),
            static_cast<unsigned char>((position >> 8) & 255),
            static_cast<unsigned char>((position >> 16) & 255)};
}
constexpr unsigned PICK_NOTHING = 0xFFFFFF;
inline unsigned pickCode(unsigned char r, unsigned char g, unsigned char b) {
    return r | (g << 8) | (b << 16);
}
