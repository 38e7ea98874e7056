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

}  // namespace

void reportModelRead(const ModelReport& report, const Mesh& mesh, const ModelFolderReading& reading,
                     std::FILE* out) {
    const std::string path = "VRMLmodels/" + report.name;
    const ModelReadResult& result = report.result;
    if (!result.note.empty() && (result.readable || reading.usesReaderProcess())) {
        std::fprintf(out, "%s: %s\n", path.c_str(), oneLine(result.note).c_str());
    }
    const bool noteSaysWhy = !result.note.empty() && !result.fellBack;
    if (!result.readable || !mesh.coordIndex.empty() || noteSaysWhy) {
        std::fflush(out);
        return;
    }
    if (reading.vrml == ModelReading::Classic && (!reading.allFormats || result.note.empty())) {
        std::fprintf(out,
                     "%s: no triangles (the classic reading takes only the first point and "
                     "face lists of a file; tessaly --full-vrml reads every shape)\n",
                     path.c_str());
    } else {
        std::fprintf(out, "%s: no triangles\n", path.c_str());
    }
    std::fflush(out);
}

void reportModelsRead(const std::vector<ModelReport>& reports, const Scene& scene,
                      const ModelFolderReading& reading, std::FILE* out) {
    const Mesh none("");
    for (const ModelReport& report : reports) {
        reportModelRead(report, report.position < 0 ? none : *scene.models[report.position],
                        reading, out);
    }
    std::fflush(out);
}

std::vector<ModelReport> readModelFolderReporting(Scene& scene, const ModelFolderReading& reading,
                                                  std::FILE* out) {
    if (!reading.usesReaderProcess()) {
        std::vector<ModelReport> reports = readModelFolder(scene, reading);
        reportModelsRead(reports, scene, reading, out);
        return reports;
    }
    return readModelFolder(scene, reading, [&](const ModelReport& report, const Mesh& mesh) {
        reportModelRead(report, mesh, reading, out);
    });
}

int listModels(const ModelFolderReading& reading, std::FILE* out) {
    // The folder as the program lists it; the listing itself says which files are unreadable.
    const Platform previous = platform();
    platform() = desktopPlatform();
    platform().showMessage = [](const std::string&, const std::string&) {};
    Scene scene;
    const std::vector<ModelReport> reports = readModelFolder(scene, reading);
    platform() = previous;
    for (const ModelReport& report : reports) {
        if (report.position < 0) {
            std::fprintf(out, "-\t%s\t0\t0\tunreadable\n", oneLine(report.name).c_str());
            continue;
        }
        const Mesh& mesh = *scene.models[report.position];
        std::fprintf(out, "%d\t%s\t%zu\t%zu\t%s\n", report.position + 1,
                     oneLine(report.name).c_str(), mesh.points.size(), mesh.coordIndex.size(),
                     oneLine(report.result.note).c_str());
    }
    std::fflush(out);
    return 0;
}
