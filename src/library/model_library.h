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

struct Platform;

// Appends one Mesh to scene.models for each readable model file of "VRMLmodels" (listed by
// `platform`), in folder order, and shows "Cannot read file" through `platform` for each
// unreadable one, with the reading chosen. One report per file, in the same order.
std::vector<ModelReport> readModelFolder(Scene& scene, ModelReading reading,
                                         const Platform& platform);

// readModelFolder with the classic reading.
void loadModelLibrary(Scene& scene, const Platform& platform);
