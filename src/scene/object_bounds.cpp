#include "scene/object_bounds.h"

#include <cfloat>
#include <cmath>
#include <vector>

#include "scene/mesh.h"
#include "scene/scene.h"

namespace {

bool drawable(double v) {
    return std::isfinite(v) && std::fabs(v) <= FLT_MAX;
}

void addBox(Box3& into, const Box3& box) {
    if (!box.empty()) {
        into.add(box.lo[0], box.lo[1], box.lo[2]);
        into.add(box.hi[0], box.hi[1], box.hi[2]);
    }
}

}  // namespace

Box3 objectWorldBounds(const SceneObject& object) {
    Box3 box;
    if (object.mesh == nullptr) {
        return box;
    }
    const Mesh& mesh = *object.mesh;
    // Only points that some drawn triangle uses count: a stray point of the file, or one that
    // only a triangle with an index outside the points uses, shows nothing.
    std::vector<bool> used(mesh.points.size(), false);
    const auto valid = [&used](int32_t index) {
        return index >= 0 && static_cast<size_t>(index) < used.size();
    };
    for (const IndexTriple& triangle : mesh.coordIndex) {
        if (valid(triangle.a) && valid(triangle.b) && valid(triangle.c)) {
            used[static_cast<size_t>(triangle.a)] = true;
            used[static_cast<size_t>(triangle.b)] = true;
            used[static_cast<size_t>(triangle.c)] = true;
        }
    }
    // The product in single precision, as the GL matrix stack forms it for drawing.
    const Matrix4 m = multiply(object.transform, object.pendingRotation);
    for (size_t i = 0; i < mesh.points.size(); ++i) {
        if (!used[i]) {
            continue;
        }
        // GL takes the point in single precision.
        const Vec3d& p = mesh.points[i];
        if (!drawable(p.x) || !drawable(p.y) || !drawable(p.z)) {
            continue;
        }
        const double x = static_cast<float>(p.x), y = static_cast<float>(p.y),
                     z = static_cast<float>(p.z);
        // A placement read from a scene file may be any matrix: the point lies at xyz / w, and
        // one with w at or below 0 lies at or beyond infinity, where nothing can be framed.
        const double w = m[3] * x + m[7] * y + m[11] * z + m[15];
        if (!(w > 0) || !std::isfinite(w)) {
            continue;
        }
        double world[3];
        bool keep = true;
        for (int r = 0; r < 3 && keep; ++r) {
            world[r] = (m[r] * x + m[4 + r] * y + m[8 + r] * z + m[12 + r]) / w;
            keep = drawable(world[r]);
        }
        if (keep) {
            box.add(world[0], world[1], world[2]);
        }
    }
    return box;
}

Box3 sceneWorldBounds(const Scene& scene) {
    Box3 box;
    for (const auto& object : scene.objects) {
        addBox(box, objectWorldBounds(*object));
    }
    return box;
}
