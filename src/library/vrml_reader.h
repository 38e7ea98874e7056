#pragma once

#include <string_view>
#include <vector>

#include "library/model_text.h"
#include "scene/mesh.h"
#include "scene/vec.h"

struct MappedFile;

// The VRML subset reader: fills a Mesh from a model file.

// Reads "VRMLmodels/" + mesh.name relative to the working directory into the mesh's four lists.
// False when the file cannot be opened as a regular file, or when it changed while it was read
// (another process wrote or cut it short); the lists then stay empty.
bool loadModel(Mesh& mesh);

// What loadModel does once the file is open.
bool loadModelFile(Mesh& mesh, MappedFile& file);

// What loadModel does with the file's content, on model text already in memory: the four
// sections, then the repairs and normal generation.
void readModelText(Mesh& mesh, std::string_view text);

// The section readers. Each searches the whole text from its start for its keyword and appends
// what it reads.
void readPoints(const ModelText& text, std::vector<Vec3d>& list);
void readNormals(const ModelText& text, std::vector<Vec3d>& list);
void readCoordIndex(const ModelText& text, std::vector<IndexTriple>& list);
void readNormalIndex(const ModelText& text, std::vector<IndexTriple>& list);
