#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "scene/vec.h"

// The geometry of one model file, shared by every object placed from it. Filled once by
// loadModel and never changed afterwards.
struct Mesh {
    std::string name;  // the model file's name, extension included, folder not included
    std::vector<Vec3d> points;
    std::vector<Vec3d> normals;
    std::vector<IndexTriple> coordIndex;   // triangles into points
    std::vector<IndexTriple> normalIndex;  // triangle i takes its corner normals from triple i

    explicit Mesh(std::string name) : name(std::move(name)) {}
    Mesh(const Mesh&) = delete;
    Mesh& operator=(const Mesh&) = delete;

    // Reads "VRMLmodels/" + name relative to the working directory. False only when the file
    // cannot be opened (the lists then stay empty).
    bool loadModel();

    // The section readers. Each searches the whole file for its keyword, appends what it reads
    // and leaves the file rewound to its start.
    void readPoints(std::FILE* file, std::vector<Vec3d>& list);
    void readNormals(std::FILE* file, std::vector<Vec3d>& list);
    void readCoordIndex(std::FILE* file, std::vector<IndexTriple>& list);
    void readNormalIndex(std::FILE* file, std::vector<IndexTriple>& list);
};
