#include "support/sections.h"

#include "library/model_text.h"
#include "library/vrml_reader.h"
#include "support/reference_reader.h"

Sections readSections(const std::string& content) {
    const ModelText text{content};
    Sections s;
    readPoints(text, s.points);
    readNormals(text, s.normals);
    readCoordIndex(text, s.coordIndex);
    readNormalIndex(text, s.normalIndex);
    return s;
}

Sections referenceReadSections(std::FILE* file) {
    Sections s;
    referenceReadPoints(file, s.points);
    referenceReadNormals(file, s.normals);
    referenceReadCoordIndex(file, s.coordIndex);
    referenceReadNormalIndex(file, s.normalIndex);
    return s;
}
