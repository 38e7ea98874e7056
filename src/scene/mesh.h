#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "scene/vec.h"

struct MeshDrawing;

// The geometry of one model file, shared by every object placed from it. Filled once by the
// model reader and never changed afterwards.
struct Mesh {
    std::string name;  // the model file's name, extension included, folder not included
    std::vector<Vec3d> points;
    std::vector<Vec3d> normals;
    std::vector<IndexTriple> coordIndex;   // triangles into points
    std::vector<IndexTriple> normalIndex;  // triangle i takes its corner normals from triple i
    // The last this many triangles are faces the model file declares two-sided: the lit view
    // shows them from both sides. 0 unless the full reading found such faces.
    size_t twoSidedTriangles = 0;

    // What the drawing side derived from this Mesh (scene/mesh_drawings.h), made at its first
    // drawing. A cache of the fields above, hence changed through a const Mesh too.
    mutable std::unique_ptr<MeshDrawing> drawing;

    explicit Mesh(std::string fileName);
    Mesh(const Mesh&) = delete;
    Mesh& operator=(const Mesh&) = delete;
    // Lets the drawing side delete the buffer objects it made for this Mesh.
    ~Mesh();
};
