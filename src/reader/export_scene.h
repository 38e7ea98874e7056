#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "scene/matrix.h"
#include "scene/vec.h"

// A scene as it is exported: the models its objects use, borrowed, and every placed object as
// drawn (its model under the matrix it is drawn with). The editor composes one from its Scene;
// the reader process decodes one from its request. Both sides use it over lists they own.
struct ExportModel {
    std::string name;  // the model file's name
    std::span<const Vec3d> points;
    std::span<const Vec3d> normals;
    std::span<const IndexTriple> coordIndex;
    std::span<const IndexTriple> normalIndex;
};

struct ExportObject {
    uint32_t model = 0;  // position in ExportScene::models
    Matrix4 matrix{};    // transform * pendingRotation
};

struct ExportScene {
    std::vector<ExportModel> models;
    std::vector<ExportObject> objects;
};

// One file of an export, in memory: the main file has an empty suffix, a companion file the text
// that follows the main file's name without its extension (".bin" for a text glTF's buffer).
struct ExportBlob {
    std::string suffix;
    std::string bytes;
};
