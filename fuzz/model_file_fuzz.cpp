// libFuzzer target for the model reader: any bytes read as a model file must leave a Mesh that
// drawing can use without reading outside a list, with finite generated normals, and the arrays
// the drawing passes derive from it must stay inside the Mesh too.
//
// Built by the TESSALY_FUZZ configuration; scripts/fuzz.sh builds and runs it.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "library/vrml_reader.h"
#include "mesh_invariants.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Mesh mesh("fuzz.wrl");
    // Whether the text names a Normal section decides whether normals may come from the file.
    readModelText(mesh, {reinterpret_cast<const char*>(data), size});
    checkDrawable(mesh);

    // Without a Normal section every normal is generated, and generated ones are finite.
    const bool fileNormals =
        std::string_view(reinterpret_cast<const char*>(data), size).find("Normal") !=
        std::string_view::npos;
    if (!fileNormals) {
        for (const Vec3d& n : mesh.normals) {
            if (!finiteVector(n)) {
                failInvariant("generated normal not finite");
            }
        }
    }
    return 0;
}
