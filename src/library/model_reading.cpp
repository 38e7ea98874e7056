#include "library/model_reading.h"

#include "library/full_vrml_reader.h"
#include "library/vrml_reader.h"

ModelReadResult readModel(Mesh& mesh, ModelReading reading) {
    ModelReadResult result;
    if (reading == ModelReading::Full) {
        const FullVrmlResult full = readFullVrml(mesh, "VRMLmodels/" + mesh.name);
        if (full.status == FullVrmlResult::Status::Read) {
            result.readable = true;
            return result;
        }
        result.fellBack = full.status == FullVrmlResult::Status::Rejected;
        result.parserMessage = full.message;
    }
    result.readable = loadModel(mesh);
    return result;
}
