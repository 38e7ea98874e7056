#pragma once

#include "scene/mesh.h"
#include "scene/vec.h"

// What the model reader does with the four lists once they are read: it drops what drawing could
// not use safely and gives a model without usable normals one flat normal per triangle.

// Unit normal of the triangle p0 p1 p2 (counter-clockwise seen from the front), computed in
// single precision as (p1 - p0) x (p2 - p1) times 1 / length. A degenerate triangle (zero or
// non-finite length) gets (0, 0, 0).
Vec3d faceNormal(Vec3 p0, Vec3 p1, Vec3 p2);

// The face normal of triangle t of `points` (whose indices must lie inside it), from the points
// narrowed to single precision; values beyond the float range count as infinite.
Vec3d flatNormal(const std::vector<Vec3d>& points, const IndexTriple& t);

// Drops every triangle of coordIndex with an index outside points (negative ones included),
// together with its normalIndex triple when it has one. True when something was dropped.
bool dropInvalidTriangles(Mesh& mesh);

// True when every triangle i of coordIndex has a normalIndex triple i whose three indices are
// positions in normals.
bool normalsServeEveryTriangle(const Mesh& mesh);

// For each triangle i in order: appends its face normal to normals (at position k) and the triple
// (k, k, k) to normalIndex.
void appendFlatNormals(Mesh& mesh);

// Runs after the four sections are read: drops invalid triangles; keeps the file's normals when
// they serve every triangle, otherwise drops them; generates flat normals when none are left.
// Afterwards normals is empty only when coordIndex is, and drawing stays inside every list.
void completeMesh(Mesh& mesh);
