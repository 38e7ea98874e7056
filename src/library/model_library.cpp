#include <memory>

#include "library/vrml_reader.h"
#include "platform/platform.h"
#include "scene/scene.h"

void Scene::loadModelLibrary() {
    for (const std::string& fileName : platform().listModelFiles("VRMLmodels")) {
        auto mesh = std::make_unique<Mesh>(fileName);
        if (loadModel(*mesh)) {
            models.push_back(std::move(mesh));
        } else {
            platform().showMessage("Cannot read file", "Error");
        }
    }
}
