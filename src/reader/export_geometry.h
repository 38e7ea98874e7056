#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "reader/export_scene.h"
#include "scene/matrix.h"
#include "scene/vec.h"

// Placing a model's points and normals in the world, as the views draw them, and the checks that
// every exporter makes on a scene before writing it. Used on both sides of the reader process.

// A matrix's action on points and on normals, in double precision.
struct WorldPlacement {
    std::array<double, 16> matrix{};  // column-major, as Matrix4
    std::array<double, 9> normal{};   // column-major 3x3: the cofactors of the linear part,
                                      // signed so that a mirror keeps normals on their side
    bool affine = true;               // the last row is 0 0 0 1
};

WorldPlacement worldPlacement(const Matrix4& matrix);
// M * p; a matrix whose last row is not 0 0 0 1 divides by w as drawing does (w = 0 leaves it).
Vec3d placePoint(const WorldPlacement& placement, const Vec3d& point);
// The normal under the matrix, of unit length; a zero normal (or one the matrix flattens) stays
// (0, 0, 0).
Vec3d placeNormal(const WorldPlacement& placement, const Vec3d& normal);

// Whether the model's normal lists serve every triangle (enough triples, every index inside
// `normals`). When not, exporters give each triangle its flat normal instead.
bool normalsServeEveryTriangle(const ExportModel& model);
// The unit normal of a triangle of world points; (0, 0, 0) when it has no area.
Vec3d flatNormal(const Vec3d& a, const Vec3d& b, const Vec3d& c);

// Why the scene cannot be exported, in a few words for the status line; empty when it can. Refused:
// an object naming a model that is not there, a triangle naming a point that is not there, a
// matrix element or a point that is inf or nan, an object placed beyond what single precision
// holds, more
// than `maxCorners` triangle corners altogether (what one file's indices can hold), and a scene
// with no triangle at all.
std::string exportProblem(const ExportScene& scene, uint64_t maxCorners = 0x7fffffffu);

// Triangles of every placed object together.
uint64_t exportedTriangles(const ExportScene& scene);
