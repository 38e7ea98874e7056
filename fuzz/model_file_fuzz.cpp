// libFuzzer target for the model reader: any bytes read as a model file must leave a Mesh that
// drawing can use without reading outside a list, with finite generated normals, and the arrays
// the drawing passes derive from it must stay inside the Mesh too.
//
// Built by the TESSALY_FUZZ configuration; scripts/fuzz.sh builds and runs it.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "library/vrml_reader.h"
#include "scene/index_range.h"
#include "scene/mesh.h"
#include "scene/mesh_arrays.h"

namespace {

void fail(const char* what) {
    std::fprintf(stderr, "model invariant broken: %s\n", what);
    std::abort();
}

bool finite(const Vec3d& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Mesh mesh("fuzz.wrl");
    // Whether the text names a Normal section decides whether normals may come from the file.
    readModelText(mesh, {reinterpret_cast<const char*>(data), size});

    for (const IndexTriple& t : mesh.coordIndex) {
        if (!validTriple(t, mesh.points.size())) {
            fail("coordIndex outside points");
        }
    }
    if (mesh.normals.empty() && !mesh.coordIndex.empty()) {
        fail("triangles without normals");
    }
    if (!mesh.normals.empty()) {
        // Triangle i takes triple i; triples read beyond the last triangle are kept but unused.
        if (mesh.normalIndex.size() < mesh.coordIndex.size()) {
            fail("fewer normalIndex triples than triangles");
        }
        for (size_t i = 0; i < mesh.coordIndex.size(); ++i) {
            if (!validTriple(mesh.normalIndex[i], mesh.normals.size())) {
                fail("normalIndex outside normals");
            }
        }
    }
    // Without a Normal section every normal is generated, and generated ones are finite.
    const bool fileNormals =
        std::string_view(reinterpret_cast<const char*>(data), size).find("Normal") !=
        std::string_view::npos;
    if (!fileNormals) {
        for (const Vec3d& n : mesh.normals) {
            if (!finite(n)) {
                fail("generated normal not finite");
            }
        }
    }

    const MeshArrays arrays = buildMeshArrays(mesh);
    const size_t pointCount = arrays.points.size() / 3;
    const size_t cornerCount = arrays.corners.size() / 6;
    const size_t indexRange =
        arrays.normals == MeshArrays::Normals::PerCorner ? cornerCount : pointCount;
    for (const uint32_t i : arrays.triangles) {
        if (i >= indexRange) {
            fail("triangle array index outside its vertex array");
        }
    }
    for (const uint32_t i : arrays.edges) {
        if (i >= pointCount) {
            fail("edge index outside points");
        }
    }
    return 0;
}
