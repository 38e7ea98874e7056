#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

// Writes the wavy height field of grid_model.h (n by n points, two triangles per quad) in another
// format, chosen by the file's extension: ".obj" (text, no normals), ".stl" (binary), ".ply"
// (binary little-endian) or ".glb" (one mesh, one node). Returns the number of triangles; exits
// the benchmark if the file cannot be written.
size_t writeGridInFormat(const std::filesystem::path& path, int n);
