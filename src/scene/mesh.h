#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "scene/vec.h"

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

    explicit Mesh(std::string fileName) : name(std::move(fileName)) {}
    Mesh(const Mesh&) = delete;
    Mesh& operator=(const Mesh&) = delete;
    // Lets the drawing side free what it keeps for this Mesh (scene/mesh_drawings.h).
    ~Mesh();
};
