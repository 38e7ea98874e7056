#pragma once

#include <cstddef>
#include <filesystem>

// How the generated model gives its normals: one per point (the common case of exported files),
// one per quad (each corner of a quad names the quad's normal), or none (the reader then makes a
// flat normal per triangle).
enum class GridNormals { PerVertex, PerFace, None };
const char* gridNormalsName(GridNormals normals);

// Writes a VRML 2.0 model of a wavy height field of n by n points, as quads of two triangles each
// (n = 709: 1,002,528 triangles, about 70 MB with normals per point). Returns the number of
// triangles. Exits the benchmark if the file cannot be written.
size_t writeGridModel(const std::filesystem::path& path, int n,
                      GridNormals normals = GridNormals::PerVertex);

// The grid size of the generated model of about a million triangles.
constexpr int MILLION_TRIANGLE_GRID = 709;
