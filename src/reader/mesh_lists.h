#pragma once

#include <cstddef>
#include <vector>

#include "scene/vec.h"

// The four lists of one model as the reader process hands them over, and as exports send them
// back to it: the same lists a Mesh holds, without its name or anything of the drawing side.
struct MeshLists {
    std::vector<Vec3d> points;
    std::vector<Vec3d> normals;
    std::vector<IndexTriple> coordIndex;   // triangles into points
    std::vector<IndexTriple> normalIndex;  // triangle i takes its corner normals from triple i
    // The last this many triangles of coordIndex are faces the file declares two-sided: the lit
    // view shows them from both sides. 0 for every model that declares no such faces.
    size_t twoSidedTriangles = 0;
};

// How far a walk of one file's scene graph may go before it gives up.
struct GraphLimits {
    size_t nodeVisits = 5'000'000;         // nodes met while walking the graph (DEF/USE repeat)
    size_t faceSetPlacements = 1'000'000;  // shapes met while walking the graph
    size_t triangles = 16'000'000;
    size_t points = 16'000'000;
};
