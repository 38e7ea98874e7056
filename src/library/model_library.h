#pragma once

#include <functional>
#include <string>
#include <vector>

#include "library/model_reading.h"
#include "scene/scene.h"

// What reading one file of the model folder gave.
struct ModelReport {
    std::string name;   // the file's name in the folder
    int position = -1;  // its place in the ModelLibrary, or -1 when it could not be read
    ModelReadResult result;
};

// Called as soon as a file is decided (its position is not known yet), with its Mesh.
using ModelDecided = std::function<void(const ModelReport& report, const Mesh& mesh)>;

// Appends one Mesh to scene.models for each readable model file of "VRMLmodels", in folder
// order, and shows "Cannot read file" for each unreadable one, as Scene::loadModelLibrary does,
// with the reading chosen. One report per file, in the same order. Readings in the reader
// process read several files at once and tell `decided` of each as it is decided.
std::vector<ModelReport> readModelFolder(Scene& scene, const ModelFolderReading& reading,
                                         const ModelDecided& decided = {});

// The file name extensions (lower case, without the dot) besides "wrl" that --all-formats lists:
// those the reader process's Assimp reads.
const std::vector<std::string>& otherFormatExtensions();
