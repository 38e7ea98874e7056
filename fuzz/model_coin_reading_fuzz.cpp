// libFuzzer target for the full VRML reading as the reader process runs it: Coin3D parses and the
// scene graph is walked here, in the fuzzer's own process, so that the fuzzer sees the parser's
// coverage and its crashes. Whatever the bytes, the reading returns, and what it returns is either
// a refusal that leaves the lists empty or lists that drawing can use. The limits are small so
// that each input takes milliseconds; what they stop is the same code as with the real limits.
//
// Built by the TESSALY_FUZZ configuration; scripts/fuzz.sh builds and runs it (with the model
// seeds and dictionary, as for the classic reader).
#include <sanitizer/lsan_interface.h>

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
    CoinReadOutcome outcome;
    {
        // Coin never frees the nodes it made before a syntax error stopped its parse (the reader
        // process ends soon anyway). Not counted as leaks here; the unit tests, which read no
        // broken text through Coin, check this code's own memory with the leak checker on.
        __lsan::ScopedDisabler coinKeepsWhatItDrops;
        outcome = readVrmlWithCoin({reinterpret_cast<const char*>(data), size}, lists, limits);
    }
    const bool empty = lists.points.empty() && lists.normals.empty() && lists.coordIndex.empty() &&
                       lists.normalIndex.empty();
    if (!outcome.parsed && !empty) {
        failInvariant("a refused file left lists behind");
    }
    if (outcome.parsed && lists.coordIndex.empty() == outcome.message.empty()) {
        failInvariant("a file read without triangles must say why, and only such a file");
    }
    if (lists.twoSidedTriangles > lists.coordIndex.size()) {
        failInvariant("more two-sided triangles than triangles");
    }
    Mesh mesh("fuzz.wrl");
    mesh.points = std::move(lists.points);
    mesh.normals = std::move(lists.normals);
    mesh.coordIndex = std::move(lists.coordIndex);
    mesh.normalIndex = std::move(lists.normalIndex);
    mesh.twoSidedTriangles = lists.twoSidedTriangles;
    checkDrawable(mesh);
    return 0;
}
