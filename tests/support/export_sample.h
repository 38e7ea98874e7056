#pragma once

#include <memory>

#include "reader/export_scene.h"
#include "reader/mesh_lists.h"

// A hand-made scene for export tests: a cube (8 points, 12 triangles, a normal per face) placed
// four times (as it is, moved, scaled and moved, and under a shear that no glTF node can hold) and
// a tetrahedron without normals (4 triangles), turned and moved. Its world box, worked out by hand:
//   x -2 .. 5.5,  y -3/sqrt(2) .. 4.5,  z -6 .. 10.5
struct ExportSample {
    MeshLists cube;
    MeshLists tetrahedron;
    ExportScene scene;  // views of the two lists above

    static constexpr size_t TRIANGLES = 4 * 12 + 4;
    static constexpr size_t OBJECTS = 5;
    static constexpr double MIN[3] = {-2, -2.1213203435596424, -6};
    static constexpr double MAX[3] = {5.5, 4.5, 10.5};
};

std::unique_ptr<ExportSample> makeExportSample();

// The cube as classic VRML text and the tetrahedron likewise, for tests that go through model
// files.
extern const char* const SAMPLE_CUBE_WRL;
extern const char* const SAMPLE_TETRAHEDRON_WRL;
