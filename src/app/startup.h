#pragma once

#include <string>
#include <vector>

#include "library/model_reading.h"

// The whole program: opens the windows, fills the model library with the given reading and pumps
// events until exit. `glutArguments` (the program name first) go to glutInit. With `recover` the
// working folder's recovery copy is loaded at start.
[[noreturn]] void runTessaly(const std::vector<std::string>& glutArguments,
                             const ModelFolderReading& reading, bool recover = false);

void displayMain();
void closeMain();
