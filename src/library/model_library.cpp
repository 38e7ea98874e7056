#include "library/model_library.h"

#include <memory>

#include "platform/platform.h"

void loadModelLibrary(Scene& scene, const Platform& platform) {
    readModelFolder(scene, ModelReading::Classic, platform);
}

std::vector<ModelReport> readModelFolder(Scene& scene, ModelReading reading,
                                         const Platform& platform) {
    std::vector<ModelReport> reports;
    for (const std::string& fileName : platform.listModelFiles("VRMLmodels")) {
        auto mesh = std::make_unique<Mesh>(fileName);
        ModelReport report{fileName, -1, readModel(*mesh, reading)};
        if (report.result.readable) {
            report.position = static_cast<int>(scene.models.size());
            scene.models.push_back(std::move(mesh));
        } else {
            platform.showMessage("Cannot read file", "Error");
        }
        reports.push_back(std::move(report));
    }
    return reports;
}
