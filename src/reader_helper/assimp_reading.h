#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "reader/mesh_lists.h"

// What reading one file with Assimp gave.
struct AssimpReadOutcome {
    bool read = false;    // false: Assimp or a limit rejected the file; the lists stay empty
    std::string message;  // why it was rejected, or a note on what was read
};

// Reads the model file `name` whose bytes are `bytes` with Assimp, in this process. Companion
// files (a glTF's buffers, an OBJ's materials) are opened through `companionFolder`, a
// descriptor of the model folder, and only from inside it (companion_files.h); -1 opens none.
// Every mesh lands in `out` once for each node that uses it, placed by the node's transforms,
// with the file's normals where it has them and flat normals otherwise. With `leaveParsed`,
// Assimp's scene is left in memory: a process that ends soon after saves the freeing, which
// for formats with an allocation per face (PLY) takes a fair part of the reading.
AssimpReadOutcome readWithAssimp(std::span<const char> bytes, const std::string& name,
                                 int companionFolder, MeshLists& out, const GraphLimits& limits,
                                 bool leaveParsed = false);

// The file name extensions Assimp reads, in lower case without the dot, as it lists them.
std::vector<std::string> assimpExtensions();
