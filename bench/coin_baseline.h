#pragma once

#include <cstddef>
#include <string>

// Coin3D's own reading of a file, as the yardstick of the full reading: SoDB::init, SoDB::readAll
// from the file, and an SoCallbackAction whose triangle callback counts the triangles that Coin
// makes of every shape. Returns that count (0 when the file does not read).
size_t coinReadAndTraverse(const std::string& path);
