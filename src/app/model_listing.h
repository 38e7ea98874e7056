#pragma once

#include <cstdio>
#include <vector>

#include "library/model_library.h"
#include "scene/scene.h"

// After the model folder is read at start-up: one line on `out` for each model that gave no
// triangle, and for each file whose full reading fell back to the classic one.
void reportModelsRead(const std::vector<ModelReport>& reports, const Scene& scene,
                      ModelReading reading, std::FILE* out);

// tessaly --list-models: reads the model folder as start-up would (without any window or message
// box) and prints one tab-separated line per file: menu position (from 1; "-" when unreadable),
// name, points, triangles and a note ("unreadable", or why the full reading fell back). Returns
// the exit status.
int listModels(ModelReading reading, std::FILE* out);
