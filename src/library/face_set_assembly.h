#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "library/face_sets.h"
#include "scene/mesh.h"

// Triangles that the fans of a coordIndex list make, before any is dropped.
size_t fanTriangleCount(std::span<const int32_t> coordIndex);

// Fills the four lists of `mesh` from face sets. Each placement's points are transformed by its
// matrix (a list met again under the same matrix is not copied again), its faces (runs of
// coordIndex ended by -1 or by the end of the list) are split into fans as the classic reading
// splits them, and its corners take their normals from the file, transformed by the inverse
// transpose of the matrix. A placement whose normals cannot serve every kept triangle, or that
// has none, gives each triangle its flat normal instead. Triangles with a corner outside their
// point list are dropped; faces wound clockwise, or mirrored by their matrix, are turned round so
// that their front faces the viewer as the file means it.
//
// Returns why the mesh was not made (more than maxTriangles triangles or maxPoints points); the
// lists of `mesh` are then left as they were.
std::optional<std::string> assembleMesh(const FaceSets& sets, Mesh& mesh, size_t maxTriangles,
                                        size_t maxPoints);
