#pragma once

// What the drawing passes derive from a Mesh to issue it with client-side vertex arrays: packed
// single-precision points and corners, indexed triangles, the edge list of its triangle outlines,
// and bounding boxes of runs of both for skipping geometry that cannot reach a pixel. Built once,
// when first drawn, and kept with the Mesh (GL does the same double-to-float rounding on
// glVertex3d, so the pictures match the straightforward passes). No GL here.

#include <cstddef>
#include <cstdint>
#include <vector>

struct Mesh;

// An axis-aligned box in model coordinates; empty while lo > hi.
struct Box3 {
    double lo[3] = {1, 1, 1};
    double hi[3] = {0, 0, 0};

    bool empty() const { return lo[0] > hi[0]; }
    void add(double x, double y, double z);
};

// A run of consecutive primitives (triangles or edges) and the box around their points.
struct ArrayRun {
    uint32_t first = 0;  // first primitive
    uint32_t count = 0;  // number of primitives
    Box3 box;
};

struct MeshArrays {
    // How the triangles get their normals.
    enum class Normals {
        None,       // the Mesh has no normals: the current normal stays in effect
        PerCorner,  // every drawn triangle has valid normal indices
        Partial,    // some drawn triangles lack them: they keep the normal issued last, which
                    // only the straightforward pass reproduces
    };

    // The key a Mesh is checked against before its arrays are reused; Meshes are not supposed
    // to change after loading, but a changed one is rebuilt rather than drawn from stale arrays.
    const void* source[4] = {};
    size_t sourceSize[4] = {};

    // False for a Mesh too large for 32-bit indices: it is drawn the straightforward way.
    bool packed = true;
    Normals normals = Normals::None;
    // Every point of the Mesh, 3 floats each.
    std::vector<float> points;
    // With normals per corner: each distinct (point, normal) pair the triangles use, as 3 floats
    // of point then 3 of normal.
    std::vector<float> corners;
    // The triangles whose three point indices are valid, in Mesh order, as 3 indices each: into
    // corners with normals per corner, into points otherwise.
    std::vector<uint32_t> triangles;
    float lastNormal[3] = {0, 0, 1};  // the last normal the straightforward pass issues
    bool hasLastNormal = false;
    // The outline of every drawn triangle as directed edges a-b, b-c, c-a, in triangle order,
    // each repeated directed edge kept once: 2 indices into points per edge.
    std::vector<uint32_t> edges;

    std::vector<ArrayRun> triangleRuns;
    std::vector<ArrayRun> edgeRuns;
    Box3 bounds;  // around every point a drawn triangle uses

    size_t triangleCount() const { return triangles.size() / 3; }
    size_t edgeCount() const { return edges.size() / 2; }
};

// Primitives per run: small enough that a one-pixel pick draws little, large enough that the
// per-run cost stays far below the drawing.
constexpr uint32_t ARRAY_RUN_LENGTH = 256;

MeshArrays buildMeshArrays(const Mesh& mesh);
// The Mesh's arrays, built on first use and rebuilt only if the Mesh was changed since.
const MeshArrays& drawingArrays(const Mesh& mesh);
// Whether `arrays` were built from `mesh` as it is now (same arrays at the same sizes).
bool arraysMatch(const MeshArrays& arrays, const Mesh& mesh);
