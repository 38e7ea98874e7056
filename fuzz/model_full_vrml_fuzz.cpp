// libFuzzer target for the full reading (--full-vrml) as the reader process runs it, in the
// fuzzer's own process so that its coverage and crashes are seen: whatever the bytes, the reading
// returns a Mesh that drawing can use, or a refusal that leaves the lists empty. The limits are
// small so that each input takes milliseconds.
//
// Built by the TESSALY_FUZZ configuration; scripts/fuzz.sh builds and runs it (with the model
// seeds and dictionary, as for the classic reader).
#include <cstddef>
#include <cstdint>

#include "mesh_invariants.h"
#include "reader_helper/vrml_with_coin.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    GraphLimits limits;
    limits.nodeVisits = 100'000;
    limits.faceSetPlacements = 10'000;
    limits.triangles = 200'000;
    limits.points = 200'000;
    MeshLists lists;
    const CoinReadOutcome outcome =
        readVrmlWithCoin({reinterpret_cast<const char*>(data), size}, lists, limits);
    if (!outcome.parsed && (!lists.points.empty() || !lists.normals.empty() ||
                            !lists.coordIndex.empty() || !lists.normalIndex.empty())) {
        failInvariant("a refused file left lists behind");
    }
    checkMeshLists(lists);
    return 0;
}
