#pragma once

#include <string>

#include "scene/mesh.h"

// Which reading turns a model file into a Mesh: the classic one (the first point, normal and
// face lists of the file; the default) or the full one (every face set, by a VRML parser).
enum class ModelReading { Classic, Full };

struct ModelReadResult {
    bool readable = false;      // false: the file could not be opened (the lists stay empty)
    bool fellBack = false;      // the full reading was refused and the classic one used instead
    std::string parserMessage;  // why it was refused
};

// Reads "VRMLmodels/" + mesh.name with the given reading. A file that the full reading refuses
// is read the classic way.
ModelReadResult readModel(Mesh& mesh, ModelReading reading);
