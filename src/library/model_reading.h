#pragma once

#include <string>

#include "reader/reader_process.h"
#include "scene/mesh.h"

// Which reading turns a model file into a Mesh: the classic one (the first point, normal and
// face lists of the file; the default) or the full one (every face set, by a VRML parser that
// runs in the reader process).
enum class ModelReading { Classic, Full };

// How the model folder is read: the reading of its ".wrl" files, and whether the files of the
// other formats are read too (tessaly --all-formats, in the reader process).
struct ModelFolderReading {
    ModelReading vrml = ModelReading::Classic;
    bool allFormats = false;

    ModelFolderReading() = default;
    ModelFolderReading(ModelReading reading, bool everyFormat = false)  // NOLINT: implicit
        : vrml(reading), allFormats(everyFormat) {}
    bool usesReaderProcess() const { return vrml == ModelReading::Full || allFormats; }
};

struct ModelReadResult {
    bool readable = false;      // false: the file could not be opened (the lists stay empty)
    bool fellBack = false;      // the full reading was refused and the classic one used instead
    std::string parserMessage;  // why it was refused
    // What the user is told about the file beside its counts (--list-models, the start-up line):
    // why it was read the classic way, why it has no triangles, why it cannot be read. Empty
    // when there is nothing to say.
    std::string note;
};

// Reads "VRMLmodels/" + mesh.name with the given reading. A file that the full reading refuses
// is read the classic way.
ModelReadResult readModel(Mesh& mesh, ModelReading reading);

// Makes the Mesh of a file from what its reader process said: `vrml` files that the process did
// not read are read the classic way, files of other formats become models without triangles.
ModelReadResult takeReaderOutcome(Mesh& mesh, bool vrml, ReadingOutcome&& outcome);
