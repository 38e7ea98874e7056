#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "reader/export_format.h"
#include "reader/export_scene.h"

struct AssimpExportOutcome {
    bool written = false;
    std::string message;  // why not, when not written
    std::vector<ExportBlob> blobs;
};

// Writes the scene with Assimp's exporters into memory, in this process: Glb, Gltf, Obj, Stl or
// Ply (Wrl is not Assimp's). `baseName` is the main file's name without folder and extension:
// a text glTF names its buffer file after it.
//
// glTF keeps the structure: one mesh per model (its name), shared by every object placed from it,
// one node per object with the object's matrix. A matrix that a glTF node cannot hold (shear, a
// projection) places its object's own copy of the mesh in world coordinates instead. OBJ holds one
// object per placed object, STL and PLY every triangle, all in world coordinates. Normals are
// written everywhere but in STL, whose facets carry their own.
AssimpExportOutcome exportWithAssimp(const ExportScene& scene, ExportFormat format,
                                     std::string_view baseName);
