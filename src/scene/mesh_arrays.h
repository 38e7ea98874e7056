#pragma once

// What the drawing passes derive from a Mesh to draw it from arrays: single-precision vertices,
// indexed triangles, the undirected edge list of the triangle outlines, and boxes around runs of
// both for skipping geometry that cannot reach a pixel. GL rounds the doubles of glVertex3d and
// glNormal3d to float the same way, so the arrays give the same corners as immediate mode.
// No GL here.

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

// A run of consecutive primitives (triangles or edges) and the box around their vertices.
struct ArrayRun {
    uint32_t first = 0;  // first primitive
    uint32_t count = 0;  // number of primitives
    Box3 box;
};

// Primitives per run: small enough that a one-pixel pick draws little, large enough that the
// per-run cost stays far below the drawing.
constexpr uint32_t ARRAY_RUN_LENGTH = 256;

struct MeshArrays {
    // How the triangles get their normals.
    enum class Normals {
        None,       // the Mesh has no normals: the current normal stays in effect
        PerCorner,  // every drawn triangle has valid normal indices
        Partial,    // some drawn triangles lack them: they keep the normal issued last, which
                    // only the straightforward pass reproduces
    };

    // False for a Mesh too large for 32-bit indices: it is drawn the straightforward way.
    bool packed = true;
    Normals normals = Normals::None;

    // The vertex array. With normals per corner: each distinct (point, normal) pair that the
    // triangles use, 3 floats of point then 3 of normal. Otherwise: every point, 3 floats.
    std::vector<float> vertices;
    // The triangles whose three point indices are valid, in Mesh order, 3 vertex indices each.
    std::vector<uint32_t> triangles;
    // Every undirected edge of those triangles once, as 2 vertex indices (lower point first).
    std::vector<uint32_t> edges;
    // Only after addOutlines: each triangle's edges a-b, b-c, c-a as drawn, each repeated
    // directed edge once, 2 vertex indices each.
    std::vector<uint32_t> outlines;

    // The sizes, which stay known when the lists above are released (releaseLists).
    size_t vertexCount = 0;
    size_t triangleCount = 0;
    size_t edgeCount = 0;
    size_t outlineCount = 0;
    bool hasOutlines = false;
    // The last this many of the drawn triangles are the Mesh's two-sided faces.
    size_t twoSidedCount = 0;

    float lastNormal[3] = {0, 0, 1};  // the last normal the straightforward pass issues
    bool hasLastNormal = false;

    std::vector<ArrayRun> triangleRuns;
    std::vector<ArrayRun> edgeRuns;
    Box3 bounds;  // around every vertex a drawn triangle uses

    // Floats per vertex in `vertices`.
    int vertexFloats() const { return normals == Normals::PerCorner ? 6 : 3; }
    // Frees the four lists (their data went elsewhere); sizes, runs and bounds stay.
    void releaseLists();
};

// Derives the arrays of a Mesh, without outlines. Meshes never change after loading, so the
// result stays valid for the Mesh's whole life.
MeshArrays buildMeshArrays(const Mesh& mesh);
// Adds the outlines (needs the triangles list).
void addOutlines(MeshArrays& arrays);
