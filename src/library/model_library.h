#pragma once

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

// Appends one Mesh to scene.models for each readable model file of "VRMLmodels", in folder
// order, and shows "Cannot read file" for each unreadable one, as Scene::loadModelLibrary does,
// with the reading chosen. One report per file, in the same order.
std::vector<ModelReport> readModelFolder(Scene& scene, ModelReading reading);
