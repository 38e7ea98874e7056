#pragma once

#include <cstddef>
#include <filesystem>

// Writes a VRML 2.0 model of a wavy height field of n by n points with one normal per point, as
// quads of two triangles each (n = 709: 1,002,528 triangles, about 70 MB). Returns the number of
// triangles. Exits the benchmark if the file cannot be written.
size_t writeGridModel(const std::filesystem::path& path, int n);

// The grid size of the generated model of about a million triangles.
constexpr int MILLION_TRIANGLE_GRID = 709;
