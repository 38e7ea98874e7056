#pragma once

// The raw lists that the four section readers of a model file give, before any repair, read
// both by the in-memory readers and by the reference stream readers.
#include <cstdio>
#include <string>
#include <vector>

#include "scene/mesh.h"

struct Sections {
    std::vector<Vec3d> points, normals;
    std::vector<IndexTriple> coordIndex, normalIndex;
};

// The in-memory section readers over this content.
Sections readSections(const std::string& content);
// The reference section readers over an open file, each from where the file stands.
Sections referenceReadSections(std::FILE* file);
