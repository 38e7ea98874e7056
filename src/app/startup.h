#pragma once

#include <string>
#include <vector>

#include "library/model_reading.h"

// The whole program: opens the windows, fills the model library with the given reading and pumps
// events until exit. `glutArguments` (the program name first) go to glutInit.
[[noreturn]] void runTessaly(const std::vector<std::string>& glutArguments,
                             const ModelFolderReading& reading);

void displayMain();
void closeMain();
