#pragma once

#include <string>

struct Scene;

struct ExportOutcome {
    bool written = false;
    // "Exported 12 objects to room.glb", or why nothing was exported ("not exported: the scene
    // has no triangles", "cannot write: permission denied").
    std::string message;
};

// Exports every placed object of the scene, as drawn, to `path` in the format that its extension
// names (.glb, .gltf, .obj, .stl, .ply, .wrl; see reader/export_format.h). VRML is written here,
// the other formats by Assimp's exporters in a reader process. Files are written as saves are:
// a temporary file renamed over the target, write protection respected; a text glTF's buffer
// goes beside it under the same name with ".bin" (characters a URI would have to encode, such as
// spaces, replaced by '_': "my room.gltf" has "my_room.bin"). On failure no file is left that was
// not there. The scene is only read.
ExportOutcome exportSceneToFile(const Scene& scene, const std::string& path);
