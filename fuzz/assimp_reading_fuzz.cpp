// libFuzzer target for the reader process's reading of the other model formats, in the fuzzer's
// own process: the first byte picks the format (OBJ, STL, PLY, glTF text or binary, OFF), the
// rest is the file, read from memory without companion files. Whatever the bytes, the reading
// returns lists that drawing can use, or a refusal that leaves them empty.
#include <cstddef>
#include <cstdint>
#include <string>

#include "mesh_invariants.h"
#include "reader_helper/assimp_reading.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const char* const NAMES[] = {"m.obj", "m.stl", "m.ply", "m.gltf", "m.glb", "m.off"};
    if (size == 0) {
        return 0;
    }
    const std::string name = NAMES[data[0] % (sizeof NAMES / sizeof NAMES[0])];
    GraphLimits limits;
    limits.nodeVisits = 100'000;
    limits.triangles = 200'000;
    limits.points = 200'000;
    MeshLists lists;
    const AssimpReadOutcome outcome = readWithAssimp(
        {reinterpret_cast<const char*>(data + 1), size - 1}, name, -1, lists, limits);
    if (!outcome.read && (!lists.points.empty() || !lists.coordIndex.empty())) {
        failInvariant("a refused file left lists behind");
    }
    checkMeshLists(lists);
    return 0;
}
