#pragma once

#include <cstdio>
#include <vector>

#include "library/model_library.h"
#include "scene/scene.h"

// The lines on `out` that reading one model file gives at start-up: one for a model that gave no
// triangle, one for a file whose full reading fell back to the classic one, one for a file the
// reader process could not read or said something about.
void reportModelRead(const ModelReport& report, const Mesh& mesh, const ModelFolderReading& reading,
                     std::FILE* out);

// After the model folder is read at start-up: the lines of every file, in folder order.
void reportModelsRead(const std::vector<ModelReport>& reports, const Scene& scene,
                      const ModelFolderReading& reading, std::FILE* out);

// Reads the model folder into `scene` at start-up and writes each file's lines on `out`: as soon
// as a file is decided when the reader process reads, once all are read otherwise.
std::vector<ModelReport> readModelFolderReporting(Scene& scene, const ModelFolderReading& reading,
                                                  std::FILE* out);

// tessaly --list-models: reads the model folder as start-up would (without any window or message
// box) and prints one tab-separated line per file: menu position (from 1; "-" when unreadable),
// name, points, triangles and a note ("unreadable", or why the full reading fell back). Returns
// the exit status.
int listModels(const ModelFolderReading& reading, std::FILE* out);
