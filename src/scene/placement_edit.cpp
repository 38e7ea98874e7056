#include "scene/placement_edit.h"

#include <cmath>
#include <initializer_list>

#include "scene/object_bounds.h"
#include "scene/scene.h"

bool objectWorldOrigin(const SceneObject& object, double origin[3]) {
    const Matrix4 m = multiply(object.transform, object.pendingRotation);
    const double w = m[15];
    if (!(w != 0) || !std::isfinite(w)) {
        return false;
    }
    for (int r = 0; r < 3; ++r) {
        origin[r] = static_cast<double>(m[12 + r]) / w;
        if (!std::isfinite(origin[r])) {
            return false;
        }
    }
    return true;
}

SelectionPlace selectionPlace(const Scene& scene) {
    SelectionPlace place;
    for (const SceneObject* object : scene.selection) {
        const Box3 box = objectWorldBounds(*object);
        if (!box.empty()) {
            place.box.add(box.lo[0], box.lo[1], box.lo[2]);
            place.box.add(box.hi[0], box.hi[1], box.hi[2]);
        }
    }
    if (!place.box.empty() || scene.selection.empty()) {
        return place;
    }
    place.fromOrigins = true;
    for (const SceneObject* object : scene.selection) {
        double origin[3];
        if (objectWorldOrigin(*object, origin)) {
            place.box.add(origin[0], origin[1], origin[2]);
        }
    }
    return place;
}

void boxCentre(const Box3& box, double centre[3]) {
    for (int i = 0; i < 3; ++i) {
        centre[i] = box.lo[i] / 2 + box.hi[i] / 2;
    }
}

namespace {

// T(centre) * factors... * T(-centre), each factor multiplied on the right as glRotatef or
// glScalef after glTranslatef would.
Matrix4 aboutCentre(const double centre[3], std::initializer_list<Matrix4> factors) {
    const float cx = static_cast<float>(centre[0]), cy = static_cast<float>(centre[1]),
                cz = static_cast<float>(centre[2]);
    Matrix4 m = translationMatrix(cx, cy, cz);
    for (const Matrix4& factor : factors) {
        m = multiply(m, factor);
    }
    return multiply(m, translationMatrix(-cx, -cy, -cz));
}

}  // namespace

Matrix4 moveMatrix(const double from[3], const double to[3]) {
    return translationMatrix(static_cast<float>(to[0] - from[0]),
                             static_cast<float>(to[1] - from[1]),
                             static_cast<float>(to[2] - from[2]));
}

Matrix4 turnAboutMatrix(const double centre[3], float x, float y, float z) {
    // rotationMatrix gives the identity for a zero angle, and multiplying by it changes nothing.
    return aboutCentre(centre, {rotationMatrix(x, 1, 0, 0), rotationMatrix(y, 0, 1, 0),
                                rotationMatrix(z, 0, 0, 1)});
}

Matrix4 scaleAboutMatrix(const double centre[3], float x, float y, float z) {
    return aboutCentre(centre, {scaleMatrix(x, y, z)});
}

bool finiteMatrix(const Matrix4& m) {
    for (float v : m) {
        if (!std::isfinite(v)) {
            return false;
        }
    }
    return true;
}

bool applyWorldEdit(const std::vector<SceneObject*>& objects, const Matrix4& edit) {
    if (!finiteMatrix(edit)) {
        return false;
    }
    std::vector<Matrix4> results;
    results.reserve(objects.size());
    for (const SceneObject* object : objects) {
        results.push_back(multiply(edit, object->transform));
        if (!finiteMatrix(results.back())) {
            return false;
        }
    }
    for (size_t i = 0; i < objects.size(); ++i) {
        objects[i]->transform = results[i];
    }
    return true;
}
