#include "reader/compose_export.h"

#include <unordered_map>

#include "scene/scene.h"

ExportScene composeExport(const Scene& scene) {
    ExportScene out;
    std::unordered_map<const Mesh*, uint32_t> modelOf;
    for (const auto& object : scene.objects) {
        const Mesh* mesh = object->mesh;
        const auto [entry, added] =
            modelOf.try_emplace(mesh, static_cast<uint32_t>(out.models.size()));
        if (added) {
            out.models.push_back(
                {mesh->name, mesh->points, mesh->normals, mesh->coordIndex, mesh->normalIndex});
        }
        out.objects.push_back(
            {entry->second, multiply(object->transform, object->pendingRotation)});
    }
    return out;
}
