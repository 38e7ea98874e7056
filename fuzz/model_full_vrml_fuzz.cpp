// libFuzzer target for the full reading (--full-vrml): whatever the bytes, the parser's process
// may crash, hang or blow up, but the reading returns, and what it returns is a Mesh that drawing
// can use, or a refusal that leaves the Mesh empty. The limits are small so that each input
// takes milliseconds; what they stop is the same code as with the program's limits.
//
// Built by the TESSALY_FUZZ configuration; scripts/fuzz.sh builds and runs it (with the model
// seeds and dictionary, as for the classic reader).
#include <cstddef>
#include <cstdint>

#include "library/full_vrml_reader.h"
#include "mesh_invariants.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FullVrmlLimits limits;
    limits.seconds = 3;
    limits.secondsPerMegabyte = 0;
    limits.megabytes = 256;
    limits.megabytesPerMegabyte = 16;
    limits.nodeVisits = 100'000;
    limits.faceSetPlacements = 10'000;
    limits.triangles = 200'000;
    limits.points = 200'000;
    Mesh mesh("fuzz.wrl");
    const FullVrmlResult result =
        readFullVrmlText(mesh, {reinterpret_cast<const char*>(data), size}, limits);
    if (result.status != FullVrmlResult::Status::Read &&
        (!mesh.points.empty() || !mesh.normals.empty() || !mesh.coordIndex.empty() ||
         !mesh.normalIndex.empty())) {
        failInvariant("a refused file left lists behind");
    }
    checkDrawable(mesh);
    return 0;
}
