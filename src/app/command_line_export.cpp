#include "app/command_line_export.h"

#include <vector>

#include "app/model_listing.h"
#include "platform/platform.h"
#include "reader/export_format.h"
#include "scene/scene.h"
#include "scenefile/file_io.h"
#include "scenefile/scene_export.h"
#include "scenefile/scene_format.h"

namespace {

int refuse(std::FILE* err, const std::string& what, const std::string& why) {
    std::fprintf(err, "tessaly: %s: %s\n", what.c_str(), why.c_str());
    std::fflush(err);
    return 1;
}

}  // namespace

int exportFromCommandLine(const ModelFolderReading& reading, const std::string& from,
                          const std::string& to, std::FILE* out, std::FILE* err) {
    // What can be refused at once is, before the model folder is read.
    if (!exportFormatOfPath(to)) {
        return refuse(
            err, to, "not exported: unknown file type (use .glb, .gltf, .obj, .stl, .ply or .wrl)");
    }
    std::string reason;
    const auto text = readWholeFile(from, reason);
    if (!text) {
        return refuse(err, from, reason);
    }

    const Platform previous = platform();
    platform() = desktopPlatform();
    platform().showMessage = [err](const std::string& message, const std::string&) {
        std::fprintf(err, "tessaly: %s\n", message.c_str());
    };
    Scene scene;
    readModelFolderReporting(scene, reading, err);
    platform() = previous;

    std::vector<std::string> names;
    for (const auto& model : scene.models) {
        names.push_back(model->name);
    }
    const auto content = parseSceneFile(*text, names, reason);
    if (!content) {
        return refuse(err, from, reason);
    }
    for (const ObjectRecord& record : content->objects) {
        if (SceneObject* object = scene.addInstance(record.modelIndex)) {
            object->transform = record.transform;
        }
    }
    const ExportOutcome outcome = exportSceneToFile(scene, to);
    if (!outcome.written) {
        return refuse(err, to, outcome.message);
    }
    std::fprintf(out, "%s\n", outcome.message.c_str());
    std::fflush(out);
    return 0;
}
