#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "scene/mesh.h"

// The straightforward model reader: every word and number goes through the C formatted-input
// functions on a stdio stream, rewound after each section. It is exact by construction and
// slow; the program's reader must give bit-for-bit the same lists, which the tests check
// against this one and the load benchmark times against it.

// The four section readers on an open stream. Each appends to its list and leaves the stream
// rewound to its start.
void referenceReadPoints(std::FILE* file, std::vector<Vec3d>& list);
void referenceReadNormals(std::FILE* file, std::vector<Vec3d>& list);
void referenceReadCoordIndex(std::FILE* file, std::vector<IndexTriple>& list);
void referenceReadNormalIndex(std::FILE* file, std::vector<IndexTriple>& list);

// The four sections and the shared repairs, like loadModel, from the file at `path`.
// False only when it cannot be opened as a regular file.
bool referenceLoadFile(Mesh& mesh, const std::string& path);

// loadModel done the straightforward way: reads "VRMLmodels/" + mesh.name.
bool referenceLoadModel(Mesh& mesh);
