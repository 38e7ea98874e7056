#pragma once

#include <cstddef>
#include <deque>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "reader/mesh_lists.h"
#include "reader_helper/face_set_use.h"
#include "reader_helper/mesh_builder.h"

class SoNode;

namespace coin_reading {

// What a walk met besides the triangles it kept: why a file gave none.
struct WalkFindings {
    size_t inlines = 0;        // Inline, WWWInline and File nodes (never followed)
    size_t linesOrPoints = 0;  // line and point sets
    size_t texts = 0;          // text nodes (left out)
    size_t shapes = 0;         // shapes of any kind
};

// Walks a parsed scene graph with Coin's SoCallbackAction and hands every shape, at every place
// the graph uses it, to the builder with the transforms of that place: indexed face sets as their
// own lists, every other shape as the triangles Coin makes of it.
struct SceneWalk {
    SceneWalk(MeshBuilder& meshBuilder, const GraphLimits& graphLimits)
        : builder(meshBuilder), limits(graphLimits) {}

    // False when the walk stopped early: `stop` says why.
    bool walk(SoNode* root);

    MeshBuilder& builder;
    const GraphLimits& limits;
    WalkFindings findings;
    size_t visits = 0;
    size_t placements = 0;
    std::string stop;
    // Homogeneous coordinates (Coordinate4) made 3-D, once per list.
    std::map<std::pair<const void*, int>, std::vector<Vec3f>> madeThreeD;
};

}  // namespace coin_reading
