#pragma once

// What every model reader must leave: a Mesh that drawing can use without reading outside a list,
// and arrays derived from it for drawing that stay inside the Mesh too. A broken invariant aborts,
// which the fuzzer reports with the input.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "reader/mesh_lists.h"
#include "scene/index_range.h"
#include "scene/mesh.h"
#include "scene/mesh_arrays.h"

inline void failInvariant(const char* what) {
    std::fprintf(stderr, "model invariant broken: %s\n", what);
    std::abort();
}

inline bool finiteVector(const Vec3d& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

inline void checkDrawable(const Mesh& mesh) {
    for (const IndexTriple& t : mesh.coordIndex) {
        if (!validTriple(t, mesh.points.size())) {
            failInvariant("coordIndex outside points");
        }
    }
    if (mesh.normals.empty() && !mesh.coordIndex.empty()) {
        failInvariant("triangles without normals");
    }
    if (!mesh.normals.empty()) {
        // Triangle i takes triple i; triples read beyond the last triangle are kept but unused.
        if (mesh.normalIndex.size() < mesh.coordIndex.size()) {
            failInvariant("fewer normalIndex triples than triangles");
        }
        for (size_t i = 0; i < mesh.coordIndex.size(); ++i) {
            if (!validTriple(mesh.normalIndex[i], mesh.normals.size())) {
                failInvariant("normalIndex outside normals");
            }
        }
    }

    MeshArrays arrays = buildMeshArrays(mesh);
    addOutlines(arrays);
    if (arrays.vertices.size() != arrays.vertexCount * arrays.vertexFloats()) {
        failInvariant("vertex list and vertex count disagree");
    }
    for (const std::vector<uint32_t>* list : {&arrays.triangles, &arrays.edges, &arrays.outlines}) {
        for (const uint32_t i : *list) {
            if (i >= arrays.vertexCount) {
                failInvariant("index outside the vertex array");
            }
        }
    }
}

// The same for the lists a reader process hands over.
inline void checkMeshLists(const MeshLists& lists) {
    Mesh mesh("lists");
    mesh.points = lists.points;
    mesh.normals = lists.normals;
    mesh.coordIndex = lists.coordIndex;
    mesh.normalIndex = lists.normalIndex;
    if (lists.twoSidedTriangles > lists.coordIndex.size()) {
        failInvariant("more two-sided triangles than triangles");
    }
    checkDrawable(mesh);
}
