#include "app/model_listing.h"

#include <string>

#include "platform/platform.h"

namespace {

// A note or a message on one line, without tabs.
std::string oneLine(const std::string& text) {
    std::string line = text;
    for (char& c : line) {
        if (c == '\n' || c == '\r' || c == '\t') {
            c = ' ';
        }
    }
    return line;
}

std::string fallbackNote(const ModelReadResult& result) {
    return "read the classic way: the VRML parser refused it (" + oneLine(result.parserMessage) +
           ")";
}

}  // namespace

void reportModelsRead(const std::vector<ModelReport>& reports, const Scene& scene,
                      ModelReading reading, std::FILE* out) {
    for (const ModelReport& report : reports) {
        const std::string path = "VRMLmodels/" + report.name;
        if (report.result.fellBack) {
            std::fprintf(out, "%s: %s\n", path.c_str(), fallbackNote(report.result).c_str());
        }
        if (report.position < 0 || !scene.models[report.position]->coordIndex.empty()) {
            continue;
        }
        if (reading == ModelReading::Classic) {
            std::fprintf(out,
                         "%s: no triangles (the classic reading takes only the first point and "
                         "face lists of a file; tessaly --full-vrml reads every shape)\n",
                         path.c_str());
        } else {
            std::fprintf(out, "%s: no triangles\n", path.c_str());
        }
    }
    std::fflush(out);
}

int listModels(ModelReading reading, std::FILE* out) {
    // The folder as the program lists it; the listing itself says which files are unreadable.
    const Platform previous = platform();
    platform() = desktopPlatform();
    platform().showMessage = [](const std::string&, const std::string&) {};
    Scene scene;
    const std::vector<ModelReport> reports = readModelFolder(scene, reading, platform());
    platform() = previous;
    for (const ModelReport& report : reports) {
        if (report.position < 0) {
            std::fprintf(out, "-\t%s\t0\t0\tunreadable\n", oneLine(report.name).c_str());
            continue;
        }
        const Mesh& mesh = *scene.models[report.position];
        const std::string note = report.result.fellBack ? fallbackNote(report.result) : "";
        std::fprintf(out, "%d\t%s\t%zu\t%zu\t%s\n", report.position + 1,
                     oneLine(report.name).c_str(), mesh.points.size(), mesh.coordIndex.size(),
                     note.c_str());
    }
    std::fflush(out);
    return 0;
}
