#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "scene/mesh_arrays.h"
#include "scene/vec.h"

struct ModelText;

// The geometry of one model file, shared by every object placed from it. Filled once by
// loadModel and never changed afterwards.
struct Mesh {
    std::string name;  // the model file's name, extension included, folder not included
    std::vector<Vec3d> points;
    std::vector<Vec3d> normals;
    std::vector<IndexTriple> coordIndex;   // triangles into points
    std::vector<IndexTriple> normalIndex;  // triangle i takes its corner normals from triple i

    // Derived by the drawing passes when first needed (see drawingArrays); not part of the model.
    mutable std::unique_ptr<MeshArrays> arrays;

    explicit Mesh(std::string name) : name(std::move(name)) {}
    Mesh(const Mesh&) = delete;
    Mesh& operator=(const Mesh&) = delete;

    // Reads "VRMLmodels/" + name relative to the working directory. False only when the file
    // cannot be opened (the lists then stay empty).
    bool loadModel();

    // The section readers. Each searches the whole file text from its start for its keyword and
    // appends what it reads.
    void readPoints(const ModelText& text, std::vector<Vec3d>& list);
    void readNormals(const ModelText& text, std::vector<Vec3d>& list);
    void readCoordIndex(const ModelText& text, std::vector<IndexTriple>& list);
    void readNormalIndex(const ModelText& text, std::vector<IndexTriple>& list);
};

// What loadModel does after opening the file, on model text already in memory: the four
// sections, then the repairs and normal generation.
void readModelText(Mesh& mesh, std::string_view text);
